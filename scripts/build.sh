#!/usr/bin/env bash
# Configures and builds Sonalto into ./build (or $SONALTO_BUILD_DIR). The
# installation directory is laid out at build/sonalto/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SONALTO_BUILD_DIR:-$root/build}
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build" -j "$(nproc)"
