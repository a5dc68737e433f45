#!/usr/bin/env bash
# Runs the playback figures on a private X server, as a listener's desktop
# has it. Usage: run-playback-bench.sh <build-dir> [latency [runs] | memory [settle] [window] [ours]
#   | sound [outage-seconds...] | sound steady [seconds] | forward [runs] | wake [runs]]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [latency [runs] | memory [settle-seconds] [window-seconds] [ours]" \
    "| sound [outage-seconds...] | sound steady [seconds] | forward [runs] | wake [runs]]" >&2
  exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)

# A player of its own in a private copy of the installation, playing to no
# sound server: starts it with the given options and waits until its log
# holds the given line. Sets work and player.
start_private_player() {
  local name=$1 line=$2 tree="$build/sonalto"
  shift 2
  work=$(mktemp -d "${TMPDIR:-/tmp}/sonalto-$name-XXXXXX")
  trap 'kill "${player:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
  mkdir -m 700 "$work/run"
  cp "$tree/Sonalto" "$tree/sonalto-player.so" "$tree/sonalto-web.so" "$work/"
  cp -R "$tree/html" "$work/html"
  printf '[Sonalto]\r\nSplashscreen=False\r\n' > "$work/Sonalto.ini"
  export XDG_RUNTIME_DIR="$work/run" SONALTO_DIAG_LOG="$work/diag.log"
  export SONALTO_AUDIO_SINK="fakesink sync=true" PULSE_SERVER="unix:$work/run/none"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/none"
  unset XDG_ACTIVATION_TOKEN DESKTOP_STARTUP_ID

  "$work/Sonalto" "$@" > "$work/player.out" 2>&1 &
  player=$!
  local waited=0
  until grep -qx "$line" "$work/diag.log" 2>/dev/null; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -gt 900 ]; then
      echo "$name: the player never said \"$line\"" >&2
      cat "$work/player.out" >&2
      return 1
    fi
  done
}

# A second start that finds the running player, as the scheduler makes one at
# each slot: the time from its start to its end (every record answered by the
# player), and the Qt libraries it loads. Runs inside the private X server.
# The figures are wall-clock times on whatever else the machine is doing.
forward_figures() {
  local runs=$1
  start_private_player forward ready -quiet || return 1
  sleep 1

  local times=() i start end
  for ((i = 0; i < runs; i++)); do
    # Each start finds the player idle, as the scheduler's slots do.
    sleep 0.5
    start=$EPOCHREALTIME
    "$work/Sonalto" -quiet -radio Bench.htm -record stop
    end=$EPOCHREALTIME
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", (e - s) * 1000 }')")
  done
  local qt
  qt=$(LD_DEBUG=libs "$work/Sonalto" -quiet -radio Bench.htm 2>&1 | grep -c 'calling init: .*libQt6' || true)
  "$work/Sonalto" -stop
  wait "$player" || true

  printf '%s\n' "${times[@]}" | sort -n | awk -v runs="$runs" -v qt="$qt" '
    { t[NR] = $1 }
    END {
      median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
      printf "forward to a running player (-quiet -radio -record stop), %d runs\n", runs
      printf "  median %.2f ms, fastest %.2f ms, slowest %.2f ms (goal 20 ms: %s)\n",
        median, t[1], t[NR], median <= 20 ? "met" : "missed"
      printf "  Qt libraries loaded by the forwarding start: %d (goal 0)\n", qt
    }'
  echo "  load average during the run: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# What the idle release costs the listener: the time from a second start
# asking for a station to the frame "live" showing it, in a shown window
# whose engine pages are in memory (another station a second before), and
# in one left idle until its pages went (the release is brought forward to
# 3 s here), with the player's major page faults over the change.
wake_figures() {
  local runs=$1
  export SONALTO_IDLE_RELEASE_MS=3000
  start_private_player wake "web view idle" -radio FIP.htm || return 1

  # One change: the milliseconds to "loaded live", then the major faults.
  change() {
    local before faults start loaded
    before=$(grep -cx "loaded live" "$work/diag.log")
    faults=$(awk '{ print $12 }' "/proc/$player/stat")
    start=$EPOCHREALTIME
    "$work/Sonalto" -radio "$1"
    until [ "$(grep -cx "loaded live" "$work/diag.log")" -gt "$before" ]; do sleep 0.002; done
    loaded=$EPOCHREALTIME
    awk -v s="$start" -v e="$loaded" -v f="$faults" -v g="$(awk '{ print $12 }' "/proc/$player/stat")" \
      'BEGIN { printf "%.1f %d\n", (e - s) * 1000, g - f }'
  }
  local warm=() idle=() i idles
  for ((i = 0; i < runs; i++)); do
    change France_Inter.htm > /dev/null
    sleep 1
    warm+=("$(change FIP.htm)")
    idles=$(grep -cx "web view idle" "$work/diag.log")
    until [ "$(grep -cx "web view idle" "$work/diag.log")" -gt "$idles" ]; do sleep 0.1; done
    sleep 0.5
    idle+=("$(change France_Inter.htm)")
  done
  "$work/Sonalto" -stop
  wait "$player" || true
  printf 'station change in a shown window, %d runs each (ms to the page shown; major faults)\n' "$runs"
  local label values
  for label in warm idle; do
    if [ $label = warm ]; then values=("${warm[@]}"); else values=("${idle[@]}"); fi
    printf '%s\n' "${values[@]}" | sort -n | awk -v label="$label" '
      { t[NR] = $1; f += $2 }
      END {
        median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "  %-28s median %.1f ms, fastest %.1f ms, slowest %.1f ms, %.0f major faults a change\n",
          label == "warm" ? "pages in memory:" : "after the idle release:", median, t[1], t[NR], f / NR
      }'
  done
  echo "  load average during the run: $(cut -d' ' -f1-3 /proc/loadavg)"
}

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
# sound server's null sink. "sound steady [seconds]" instead plays a steady
# local stream for that long (10 minutes by default) and prints every gap
# heard at the speakers and at the private output. Needs no X server.
run_sound() {
  shift
  local pulse_dir
  pulse_dir=$(mktemp -d "${TMPDIR:-/tmp}/sonalto-bench-pulse-XXXXXX")
  eval "$("$here/../tests/support/start-pulse.sh" "$pulse_dir")"
  local status=0
  "$build/bench/sound_bench" "$@" || status=$?
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
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
if [ "${1:-}" = wake ]; then
  runs=${2:-5}
  if [ -z "${SONALTO_WAKE_INSIDE:-}" ]; then
    SONALTO_WAKE_INSIDE=1 exec "$here/../tests/support/run-under-xvfb.sh" \
      bash "$0" "$build" wake "$runs"
  fi
  wake_figures "$runs"
  exit
fi
if [ "${1:-}" = forward ]; then
  runs=${2:-20}
  if [ -z "${SONALTO_FORWARD_INSIDE:-}" ]; then
    SONALTO_FORWARD_INSIDE=1 exec "$here/../tests/support/run-under-xvfb.sh" \
      bash "$0" "$build" forward "$runs"
  fi
  forward_figures "$runs"
  exit
fi
exec "$here/../tests/support/run-under-xvfb.sh" "$build/bench/playback_bench" "$@"
