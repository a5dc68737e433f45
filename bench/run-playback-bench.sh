#!/usr/bin/env bash
# Runs the playback figures on a private X server, as a listener's desktop
# has it. Usage: run-playback-bench.sh <build-dir> [latency [runs] | memory [first] [second]]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [latency [runs] | memory [first-seconds] [second-seconds]]" >&2
  exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/run-under-xvfb.sh" "$build/bench/playback_bench" "$@"
