#!/usr/bin/env bash
# Starts a headless PulseAudio with a null sink "test_sink" in a private
# runtime and home directory, and prints the variables that point a program
# at it, ready for eval:
#   eval "$(tests/support/start-pulse.sh)"   ...   tests/support/stop-pulse.sh
# The directory is the first argument, or a fresh temporary one when it is
# missing or empty; further arguments go to the server
# ("--disallow-module-loading": no module can be loaded once it runs).
set -euo pipefail

dir="${1:-$(mktemp -d "${TMPDIR:-/tmp}/sonalto-pulse-XXXXXX")}"
shift || true
mkdir -p "$dir/runtime" "$dir/home"
chmod 700 "$dir/runtime"

export XDG_RUNTIME_DIR="$dir/runtime"
export HOME="$dir/home"
export PULSE_RUNTIME_PATH="$dir/runtime/pulse"

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit \
  --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=test_sink" \
  --load=module-always-sink "$@" >/dev/null 2>&1

# Wait until the server answers.
for _ in $(seq 1 100); do
  if pactl info >/dev/null 2>&1; then
    pactl set-default-sink test_sink >/dev/null 2>&1 || true
    printf 'export SONALTO_PULSE_DIR=%q\n' "$dir"
    printf 'export XDG_RUNTIME_DIR=%q\n' "$XDG_RUNTIME_DIR"
    printf 'export HOME=%q\n' "$HOME"
    printf 'export PULSE_RUNTIME_PATH=%q\n' "$PULSE_RUNTIME_PATH"
    exit 0
  fi
  sleep 0.05
done
echo "start-pulse: the sound server did not answer" >&2
exit 1
