#!/bin/sh
# Runs a Windows program under Wine with no display and no questions asked: the ctest emulator
# of the Windows cross build, also usable by hand (cmake/wine-run.sh build/windows/x.exe ARGS).
# The Wine prefix lives under build/ unless WINEPREFIX says otherwise; it is created on first
# use, under a lock, so that test programs started in parallel do not race to create it. Its
# drive D: is a scratch folder that tests may fill (FOLIONIX_SCRATCH_DRIVE tells them so).
# Windows are drawn by Wine's null driver, so test programs can create real windows and drive
# their controls with no display at all; FOLIONIX_WINE_GRAPHICS=x11 makes a prefix that draws on
# $DISPLAY instead (tests/window_win32/end-to-end.sh keeps one of its own for that).
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$repo/build/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: their install prompts would wait for a user who is not there.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY
# Wine stores Windows file names as Unix names in the locale's character set: only a UTF-8
# locale keeps names such as "été 日本.jpg" (with the C locale they cannot be created).
if [ "$(locale charmap 2>/dev/null)" != "UTF-8" ]; then
    export LC_ALL=C.UTF-8
fi

wine=
for candidate in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done
if [ -z "$wine" ]; then
    echo "wine-run.sh: Wine is not installed (scripts/install-deps.sh --windows)" >&2
    exit 127
fi

graphics="${FOLIONIX_WINE_GRAPHICS:-null}"
ready="$WINEPREFIX/.folionix-ready-$graphics"
if [ ! -f "$ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$ready" ]; then
            "$wine" wineboot --init </dev/null >/dev/null 2>&1
            # A drive D: over a scratch folder, for tests that write to another drive's root.
            mkdir -p "$WINEPREFIX/drive_d"
            ln -sfn ../drive_d "$WINEPREFIX/dosdevices/d:"
            "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$graphics" /f \
                </dev/null >/dev/null 2>&1
            # The server and desktop that wineboot started keep the driver they started with, and
            # the first programs would find no display: end them (the registry is saved), so the
            # next program starts them again with the driver just chosen.
            wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
            "$wineserver" -k >/dev/null 2>&1 || true
            "$wineserver" -w >/dev/null 2>&1 || true
            touch "$ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
export FOLIONIX_SCRATCH_DRIVE=D:
exec "$wine" "$@"
