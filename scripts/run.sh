#!/usr/bin/env bash
# Builds Folionix and starts its window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target folionix
exec build/dev/app/folionix
