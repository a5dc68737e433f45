#!/usr/bin/env bash
# Configures and builds Sonalto into ./build (or $SONALTO_BUILD_DIR). The
# installation directory is laid out at build/sonalto/. SONALTO_WERROR=ON
# (as continuous integration sets it) makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SONALTO_BUILD_DIR:-$root/build}
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
if [ -n "${SONALTO_WERROR:-}" ]; then
  cmake -S "$root" -B "$build" -DSONALTO_WERROR="$SONALTO_WERROR" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
