#!/usr/bin/env bash
# The long run of the player on a private X server, as a listener's desktop
# has it; the bench starts its own headless sound server.
# Usage: run-soak.sh <build-dir> [--minutes N] [--drop-every M]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [--minutes N] [--drop-every M]" >&2
  exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/run-under-xvfb.sh" "$build/bench/soak_bench" "$@"
