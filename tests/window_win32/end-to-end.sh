#!/usr/bin/env bash
# One run of folionix.exe under Wine on a virtual X display: the window must come up, it is
# photographed, then closed with WM_CLOSE (posted by Wine's taskkill), and the program must end
# on its own with exit code 0.
#
#   tests/window_win32/end-to-end.sh FOLIONIX_EXE SCREENSHOT_PNG
#
# Make the README's picture with
#   tests/window_win32/end-to-end.sh build/windows/window_win32/folionix.exe \
#       docs/screenshot-windows.png
set -euo pipefail
if (($# != 2)); then
    echo "usage: $0 FOLIONIX_EXE SCREENSHOT_PNG" >&2
    exit 2
fi
program=$(realpath "$1")
screenshot=$(realpath -m "$2")
repo=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "end-to-end: $tool is missing (scripts/install-deps.sh --windows)" >&2
        exit 1
    fi
done

# A prefix of its own that draws through X11 (the test programs' prefix has no display), made
# by cmake/wine-run.sh on first use. Its programs share one Wine virtual desktop the size of
# the picture, so the window gets Wine's caption bar without a window manager and taskkill
# finds it there.
export WINEPREFIX="$repo/build/wine-display" FOLIONIX_WINE_GRAPHICS=x11
"$repo/cmake/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer' \
    /v Desktop /d Folionix /f >/dev/null 2>&1
"$repo/cmake/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
    /v Folionix /d 640x440 /f >/dev/null 2>&1
wine=
for candidate in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
# The prefix's server was started without a display; the window's run starts a fresh one.
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w >/dev/null 2>&1 || true
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
stop() {
    "$wineserver" -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap stop EXIT
export DISPLAY=$display
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done

"$wine" "$program" &
window=$!
# Photographed once the window shows (the empty desktop is one colour), up to 30 s.
colours=0
for _ in $(seq 60); do
    sleep 0.5
    import -window root -crop 640x440+0+0 +repage "$screenshot"
    colours=$(convert "$screenshot" -format '%k' info:)
    ((colours >= 8)) && break
done
sleep 1
import -window root -crop 640x440+0+0 +repage "$screenshot"
colours=$(convert "$screenshot" -format '%k' info:)
# taskkill without /f asks the program's windows to close: it posts them WM_CLOSE.
"$wine" taskkill /im folionix.exe >/dev/null 2>&1
for _ in $(seq 100); do
    kill -0 "$window" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$window" 2>/dev/null; then
    echo "end-to-end: folionix.exe did not close on WM_CLOSE within 10 s" >&2
    exit 1
fi
status=0
wait "$window" || status=$?
if ((status != 0)); then
    echo "end-to-end: folionix.exe ended with $status" >&2
    exit 1
fi
if ((colours < 8)); then
    echo "end-to-end: the screenshot shows no window ($colours colours)" >&2
    exit 1
fi
echo "end-to-end: folionix.exe showed its window and closed on WM_CLOSE ($screenshot)"
