#!/usr/bin/env bash
# Renders app/icons/folionix.svg into app/icons/folionix-<size>.png for the sizes the desktop
# entry installs. The PNG files are committed, so building needs no SVG renderer; run this
# after changing the SVG, and commit both. scripts/package-test.sh renders them again and
# fails when the committed files no longer match.
#   scripts/make-icons.sh [output-folder]      (default: app/icons)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-app/icons}
mkdir -p "$out"
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "$out/folionix-$size.png" app/icons/folionix.svg
done
