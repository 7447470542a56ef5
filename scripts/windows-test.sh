#!/usr/bin/env bash
# The Windows build, tested under Wine: cross-compiles the core, the test programs, folionix-cli
# and the window folionix.exe with MinGW-w64 (preset windows), runs the test programs under Wine,
# packs the Windows download (cpack -G ZIP), then checks
# that folionix-cli.exe writes the same PDFs as the Linux build (build/ci) for the same images.
# scripts/test.sh runs it last; it also runs on its own.
#
#   scripts/windows-test.sh [LINUX_CLI]
#
# LINUX_CLI defaults to build/ci/cli/folionix-cli, which is built when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
export WINEPREFIX="$PWD/build/wine"

# Wine leaves its server running for a few seconds after the last program; stop it with us.
stop_wine() {
    local server
    for server in wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
        if command -v "$server" >/dev/null 2>&1; then
            "$server" -k >/dev/null 2>&1 || true
            return
        fi
    done
}
trap stop_wine EXIT

echo "== Windows cross build (MinGW-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== Windows test programs under Wine (with the window's end-to-end run on Xvfb)"
ctest --preset windows -j "$jobs"

echo "== Windows download"
(cd build/windows && cpack -G ZIP >/dev/null)
zip=build/windows/folionix-2.0-windows-x86_64.zip
# The listing is taken once: grep -q leaves a pipe early, which pipefail would count as a failure.
listing=$(unzip -l "$zip")
for file in folionix.exe folionix-cli.exe README.md; do
    if ! grep -q "/$file\$" <<<"$listing"; then
        echo "windows-test: $zip lacks $file" >&2
        exit 1
    fi
done
echo "$zip"

echo "== folionix-cli.exe under Wine against the Linux build"
linux_cli=${1:-build/ci/cli/folionix-cli}
if [[ $# -eq 0 && ! -x "$linux_cli" ]]; then
    cmake --preset ci >/dev/null
    cmake --build --preset ci -j "$jobs" --target folionix-cli
fi
scripts/compare-with-linux.sh "$linux_cli" build/windows/cli/folionix-cli.exe
