#!/usr/bin/env bash
# One run of folionix.exe under Wine on a virtual X display: the window must come up, it is
# photographed, then closed with WM_CLOSE (sent by the test program), and the program must end
# on its own with exit code 0.
#
#   tests/window_win32/end-to-end.sh FOLIONIX_EXE TEST_WINDOW_WIN32_EXE SCREENSHOT_PNG
#
# The window runs in a Wine virtual desktop, so its caption bar is drawn as on Windows and the
# screenshot needs no window manager. Make the README's picture with
#   tests/window_win32/end-to-end.sh build/windows/window_win32/folionix.exe \
#       build/windows/tests/window_win32/test_window_win32.exe docs/screenshot-windows.png
set -euo pipefail
if (($# != 3)); then
    echo "usage: $0 FOLIONIX_EXE TEST_WINDOW_WIN32_EXE SCREENSHOT_PNG" >&2
    exit 2
fi
program=$(realpath "$1")
helper=$(realpath "$2")
screenshot=$(realpath -m "$3")
repo=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "end-to-end: $tool is missing (scripts/install-deps.sh --windows)" >&2
        exit 1
    fi
done

# cmake/wine-run.sh prepares the prefix and the environment but hides the display; the same
# settings are taken from it and the display is given back for this run.
export WINEPREFIX="${WINEPREFIX:-$repo/build/wine}"
"$repo/cmake/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1
wine=
for candidate in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done

desktop="/desktop=Folionix,640x440"
"$wine" explorer "$desktop" "$program" &
window=$!
# The helper waits for the window (up to 30 s) before it closes it; the picture is taken in
# between, once the window is there.
"$wine" explorer "$desktop" "$helper" --wait-window "Folionix  v2.0"
sleep 1
import -window root -crop 640x440+0+0 "$screenshot"
"$wine" explorer "$desktop" "$helper" --close-window "Folionix  v2.0"
status=0
wait "$window" || status=$?
if ((status != 0)); then
    echo "end-to-end: folionix.exe ended with $status" >&2
    exit 1
fi
colours=$(convert "$screenshot" -format '%k' info:)
if ((colours < 8)); then
    echo "end-to-end: the screenshot shows no window ($colours colours)" >&2
    exit 1
fi
echo "end-to-end: folionix.exe showed its window and closed on WM_CLOSE ($screenshot)"
