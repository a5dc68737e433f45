#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build=${SONALTO_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure -j 2
