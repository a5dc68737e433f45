#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player from its
# installation directory on the shipped catalogue. Extra arguments go to the
# player (for example -radio NRJ.htm).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build=${SONALTO_BUILD_DIR:-$root/build}
exec "$build/sonalto/Sonalto" "$@"
