#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Safe to run again:
# it only calls apt-get when something is missing. Works as root or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev googletest
)
# The Windows cross build and Wine, which runs its programs (scripts/windows-test.sh).
# fonts-wine brings Tahoma, the font the window on Windows is laid out for; Xvfb and
# ImageMagick run it on a virtual display and take its screenshot.
windows_packages=(g++-mingw-w64-x86-64-posix wine64 fonts-wine xvfb xauth imagemagick)
# The Debian package and the checks of what it installs (scripts/package-test.sh).
package_packages=(
    dpkg-dev lintian desktop-file-utils appstream groff man-db bash-completion
    shared-mime-info librsvg2-bin
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        qpdf poppler-utils libjpeg-turbo-progs libopenjp2-tools imagemagick
        mupdf-tools ghostscript libimage-exiftool-perl
        clang-14 clang-tidy libclang-rt-14-dev locales xvfb xauth xdotool img2pdf time
        "${package_packages[@]}"
        "${windows_packages[@]}"
    )
elif [[ "${1:-}" == "--windows" ]]; then
    packages+=("${windows_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
