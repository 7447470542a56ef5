#!/usr/bin/env bash
# Takes the README's screenshot of the window under Xvfb (with openbox for the title bar when it
# is installed), with three files dropped on the list and one of them selected:
#   tests/window/xdnd/screenshot.sh <build dir> docs/screenshot.png
# Needs xvfb, xauth, xdotool, x11-utils, cjpeg, ImageMagick; the targets folionix and folionix_drag_source.
set -euo pipefail
build=$(realpath "$1")
shot=$(realpath -m "$2")
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/Scans"
files=()
for name in "page 01.jpg" "page 02.jpg" "cover.jpg"; do
    printf 'P6\n16 8\n255\n' >"$work/$name.ppm"
    head -c 384 /dev/urandom >>"$work/$name.ppm"
    cjpeg -outfile "$work/Scans/$name" "$work/$name.ppm"
    files+=("$work/Scans/$name")
done

if command -v openbox >/dev/null; then
    openbox &
    sleep 1
fi
# Output Path shows the home folder; the picture shows an ordinary one.
HOME=/home/ada "$build/app/folionix" &
"$build/tests/window/folionix_drag_source" "${files[@]}" >/dev/null &
sleep 2
window=$(xdotool search --onlyvisible --name '^Folionix' | head -1)
source=$(xdotool search --onlyvisible --name '^Drag source' | head -1)
xdotool windowmove "$source" 760 100
sleep 1
# Where the list is: (15, 27) in the window's client area, 211 x 283 pixels.
# xwininfo gives the client area's place on the screen (xdotool's is off under a window manager).
wx=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
wy=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
listx=$((wx + 15 + 100))
listy=$((wy + 27 + 140))
X=$(xwininfo -id "$source" | awk '/Absolute upper-left X/ {print $4}')
Y=$(xwininfo -id "$source" | awk '/Absolute upper-left Y/ {print $4}')
xdotool mousemove $((X + 40)) $((Y + 40)) mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((X + 40 + (listx - X - 40) * step / 8)) \
        $((Y + 40 + (listy - Y - 40) * step / 8))
    sleep 0.2
done
xdotool mouseup 1
sleep 1
# Select the second entry (rows are about 13 pixels high), then move the pointer away.
xdotool mousemove $((wx + 60)) $((wy + 27 + 20)) click 1
xdotool mousemove $((wx + 300)) $((wy + 420))
sleep 1
import -window root "$work/root.png"
# The frame: a title bar above the client area and a thin border around it.
title=${FRAME_TITLE:-20}
border=${FRAME_BORDER:-1}
/usr/bin/convert "$work/root.png" \
    -crop "$((595 + 2 * border))x$((388 + title + border))+$((wx - border))+$((wy - title))" \
    +repage "$shot"
echo "wrote $shot"
