#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest. With
# CI set (continuous integration sets it) the build treats warnings as
# errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
if [ -n "${CI:-}" ]; then
  export SONALTO_WERROR=ON
fi
bash "$root/scripts/build.sh"
build=${SONALTO_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure -j 2
