#!/usr/bin/env bash
# Checks that folionix-cli.exe under Wine writes the same PDFs as the Linux folionix-cli for the
# same images: every byte equal except the header's date line, which has the same length in
# both, so every offset in the cross-reference table agrees too.
#
#   scripts/compare-with-linux.sh LINUX_CLI WINDOWS_CLI_EXE
#
# The images are made here with cjpeg, ImageMagick and opj_compress: JPEGs with and without a
# resolution, grey and colour, a name with spaces and non-ASCII letters, a JP2 file and a raw
# codestream with an upper-case extension. Each setting is run once into one PDF and once with
# --multiple, as the window and in the default mode. The Windows program gets Windows paths:
# Linux's / is Wine's drive Z:.
set -euo pipefail
if (($# != 2)); then
    echo "usage: $0 LINUX_CLI WINDOWS_CLI_EXE" >&2
    exit 2
fi
linux_cli=$(realpath "$1")
windows_cli=$(realpath "$2")
repo=$(cd "$(dirname "$0")/.." && pwd)
wine_run="$repo/cmake/wine-run.sh"
# Wine turns the UTF-8 command line into UTF-16 by the locale's character set.
export LC_ALL=C.UTF-8

for tool in cjpeg opj_compress /usr/bin/convert cmp; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "compare-with-linux: $tool is missing (scripts/install-deps.sh --test)" >&2
        exit 1
    fi
done

work=$(mktemp -d /tmp/folionix-windows-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
cd "$work/in"
/usr/bin/convert -size 300x200 gradient:navy-orange ppm:colour.ppm
/usr/bin/convert -size 90x160 gradient:white-black -colorspace Gray pgm:grey.pgm
/usr/bin/convert -size 640x480 gradient:red-blue -swirl 90 ppm:large.ppm
/usr/bin/convert colour.ppm -density 150 -units PixelsPerInch -quality 85 "photo.jpg"
/usr/bin/convert large.ppm -density 40 -units PixelsPerCentimeter -quality 70 "wide.jpeg"
cjpeg -grayscale -quality 90 grey.pgm >"grey.JPEG"
cjpeg -progressive colour.ppm >"scan été 日本.jpe"
opj_compress -i colour.ppm -o picture.jp2 >/dev/null 2>&1
opj_compress -i grey.pgm -o raw.j2k >/dev/null 2>&1
mv raw.j2k raw.J2K
rm -f ./*.ppm ./*.pgm
images=("photo.jpg" "grey.JPEG" "picture.jp2" "scan été 日本.jpe" "raw.J2K" "wide.jpeg")

windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# run NAME OPTIONS...: one run of each program into out/NAME/{linux,windows}.
run() {
    local name=$1
    shift
    local linux_out="$work/out/$name/linux" windows_out="$work/out/$name/windows"
    mkdir -p "$linux_out" "$windows_out"
    local linux_images=() windows_images=() image
    for image in "${images[@]}"; do
        linux_images+=("$work/in/$image")
        windows_images+=("$(windows_path "$work/in/$image")")
    done
    "$linux_cli" -o "$linux_out" "$@" -- "${linux_images[@]}" >/dev/null
    "$wine_run" "$windows_cli" -o "$(windows_path "$windows_out")" "$@" -- \
        "${windows_images[@]}" >/dev/null </dev/null
}

# same FILE_A FILE_B: equal apart from the date line, bytes 17 to 42 (%-[MM-DD-YYYY HH:MM:SS]-%).
date_line='^%-\[[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\]-%$'
same() {
    local file
    for file in "$1" "$2"; do
        if ! head -c 42 "$file" | tail -c 25 | LC_ALL=C grep -Eq "$date_line"; then
            echo "compare-with-linux: no date line at offset 17 in $file" >&2
            return 1
        fi
    done
    cmp -n 17 "$1" "$2" && cmp -i 42 "$1" "$2"
}

run single-default --as-window -f "Folionix été.pdf"
run single-match --as-window --match-image-size --top 0.5 --bottom 0.25 --left 1 --right 0.125 \
    --top-left -f out.PDF
run single-small-no-shrink --as-window -W 4 -H 3 --top 0.3 --no-shrink -f small.pdf
run multiple-default --as-window --multiple
run multiple-match --as-window --multiple --match-image-size --left 0.5 --right 0.5
# The default (conforming) mode: units, a page name and document information.
run conforming-single -S a4-landscape --margin 1cm --top 36pt --title "Été 日本" -f c.pdf
run conforming-multiple --multiple --match-image-size --margin 5mm

failures=0
compared=0
for folder in "$work"/out/*; do
    name=$(basename "$folder")
    linux_list=$(cd "$folder/linux" && ls -1)
    windows_list=$(cd "$folder/windows" && ls -1)
    if [[ -z "$linux_list" || "$linux_list" != "$windows_list" ]]; then
        echo "FAIL $name: the two programs wrote different files" >&2
        echo "  linux:   $(echo $linux_list)" >&2
        echo "  windows: $(echo $windows_list)" >&2
        failures=$((failures + 1))
        continue
    fi
    while IFS= read -r pdf; do
        compared=$((compared + 1))
        if ! same "$folder/linux/$pdf" "$folder/windows/$pdf"; then
            echo "FAIL $name/$pdf: the bytes differ" >&2
            failures=$((failures + 1))
        fi
    done <<<"$linux_list"
done
if ((failures > 0)); then
    echo "compare-with-linux: $failures of the runs and PDFs differ" >&2
    exit 1
fi
echo "compare-with-linux: $compared PDFs identical apart from the date line"
