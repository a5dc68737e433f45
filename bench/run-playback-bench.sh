#!/usr/bin/env bash
# Runs the playback figures on a private X server, as a listener's desktop
# has it. Usage: run-playback-bench.sh <build-dir> [latency [runs] | memory [settle] [window]
#   | sound [outage-seconds...]]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [latency [runs] | memory [settle-seconds] [window-seconds]" \
    "| sound [outage-seconds...]]" >&2
  exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)

# Memory and CPU: every player plays to the null sink of a private headless
# sound server, started here and stopped at the end.
run_memory() {
  local pulse_dir
  pulse_dir=$(mktemp -d "${TMPDIR:-/tmp}/sonalto-bench-pulse-XXXXXX")
  eval "$("$here/../tests/support/start-pulse.sh" "$pulse_dir")"
  local status=0
  "$here/../tests/support/run-under-xvfb.sh" "$build/bench/playback_bench" "$@" || status=$?
  "$here/../tests/support/stop-pulse.sh" "$pulse_dir" || true
  rm -rf "$pulse_dir"
  return $status
}

# What is heard: first audio with and without a server burst, sound back
# after outages, and the level at two volumes, for the playback engine
# beside mpv and gst-play-1.0, read at the monitor of a private headless
# sound server's null sink. Needs no X server.
run_sound() {
  shift
  local pulse_dir
  pulse_dir=$(mktemp -d "${TMPDIR:-/tmp}/sonalto-bench-pulse-XXXXXX")
  eval "$("$here/../tests/support/start-pulse.sh" "$pulse_dir")"
  local status=0
  "$build/bench/sound_bench" "$@" || status=$?
  "$here/../tests/support/stop-pulse.sh" "$pulse_dir" || true
  rm -rf "$pulse_dir"
  return $status
}

if [ "${1:-}" = sound ]; then
  run_sound "$@"
  exit $?
fi
if [ "${1:-}" = memory ]; then
  run_memory "$@"
  exit $?
fi
exec "$here/../tests/support/run-under-xvfb.sh" "$build/bench/playback_bench" "$@"
