#!/usr/bin/env bash
# Stops the sound server started by start-pulse.sh and removes its
# directory. Takes the directory as argument, or $SONALTO_PULSE_DIR.
set -euo pipefail

dir="${1:-${SONALTO_PULSE_DIR:-}}"
if [ -z "$dir" ] || [ ! -d "$dir/runtime" ]; then
  echo "usage: $0 directory (or set SONALTO_PULSE_DIR)" >&2
  exit 2
fi

XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" PULSE_RUNTIME_PATH="$dir/runtime/pulse" \
  pulseaudio --kill >/dev/null 2>&1 || true
# Let it leave before its directory goes.
for _ in $(seq 1 40); do
  XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime/pulse" \
    pactl info >/dev/null 2>&1 || break
  sleep 0.05
done
rm -rf "$dir"
