#!/usr/bin/env bash
# Checks a real X11 drag and drop onto the image list, under Xvfb:
#   tests/window/xdnd/check-drop.sh <build dir> [screenshot.png]
# Starts folionix and a second program that drags two JPEG files, drives the drag with xdotool
# from that program onto the list, clicks "Save PDF" and checks that the PDF has two pages.
# Needs xvfb, xauth, xdotool, cjpeg, qpdf; and the targets folionix and folionix_drag_source.
set -euo pipefail
build=$(realpath "$1")
shot=${2:-}
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
for name in first second; do
    printf 'P6\n16 8\n255\n' >"$work/$name.ppm"
    head -c 384 /dev/urandom >>"$work/$name.ppm"
    cjpeg -outfile "$work/$name.jpg" "$work/$name.ppm"
done

# The window writes into the output path, which starts as the home folder.
HOME="$work" "$build/app/folionix" &
"$build/tests/window/folionix_drag_source" "$work/first.jpg" "$work/second.jpg" >"$work/source.log" &
sleep 2
window=$(xdotool search --onlyvisible --name '^Folionix' | head -1)
xdotool windowmove "$window" 0 0
sleep 0.5

# The list is at (15, 27) in the window, 211 x 283 pixels; the source at (620, 20).
xdotool mousemove 680 60 mousedown 1
for x in 640 560 480 400 300 200 120 100; do
    xdotool mousemove "$x" 150
    sleep 0.2
done
xdotool mouseup 1
sleep 1
cat "$work/source.log"
[[ -n "$shot" ]] && import -window root -crop 760x400+0+0 "$shot"

# "Save PDF" is at (522, 360), 67 x 22.
xdotool mousemove 555 371 click 1
sleep 2
pages=$(qpdf --show-npages "$work/JPEG_Output.PDF")
echo "pages in the PDF: $pages"
[[ "$pages" == 2 ]]
