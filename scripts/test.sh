#!/usr/bin/env bash
# Builds and runs the whole test suite: a format check, a release build with clang-tidy over the
# core and the Debian package checks, the same suite under a decimal-comma locale, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, a short fuzzing run, and the Windows build
# with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

echo "== format check"
if command -v clang-format >/dev/null 2>&1; then
    git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror
fi

echo "== release build"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== clang-tidy over the Qt-free core (.clang-tidy)"
git ls-files 'common/*.cpp' 'imaging/*.cpp' 'pdf/*.cpp' 'conversion/*.cpp' 'cli/*.cpp' \
    'dialogs/modCmDlgDLL.cpp' |
    xargs -P "$jobs" -n 4 clang-tidy -p build/ci --quiet --warnings-as-errors='*' \
        --extra-arg=-Wno-unknown-warning-option 2>/dev/null

# --- The Debian package of the release build, and what it installs ---
scripts/package-test.sh build/ci
# --- end of the package checks ---

locale_name=de_DE.UTF-8
# grep reads whole listings here: with pipefail, an early exit of grep -q could fail the pipe.
have_locale() { locale -a 2>/dev/null | grep -ci '^de_DE.utf-\?8$' >/dev/null; }
if ! have_locale; then
    if [[ -f /etc/locale.gen ]] && [[ $(id -u) -eq 0 ]]; then
        sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
        locale-gen >/dev/null 2>&1 || true
    fi
fi
if have_locale; then
    echo "== release build under a decimal-comma locale ($locale_name)"
    LC_ALL=$locale_name ctest --preset ci -j "$jobs"
else
    echo "== decimal-comma locale missing: that run is skipped"
fi

echo "== sanitizer build"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --preset asan -j "$jobs"

if [[ -x scripts/fuzz.sh ]]; then
    echo "== fuzz smoke run"
    scripts/fuzz.sh --smoke
fi
# --- Windows build: MinGW-w64 cross build, its tests under Wine, PDFs compared with build/ci ---
scripts/windows-test.sh
# --- end of the Windows build ---
echo "== all tests passed"
