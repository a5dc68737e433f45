#!/usr/bin/env bash
# Builds the programs with ThreadSanitizer (clang) and runs the tests of
# their threaded parts: the song window's feed and cover fetches, the
# updater's downloads, playback with its reconnections, and the real player
# and updater started by the end-to-end tests. Prints the test summary and
# the number of ThreadSanitizer reports, which must be 0.
# Usage: scripts/tsan.sh [build directory, default build-tsan]
# SONALTO_JOBS sets the build's parallel jobs (default: every core).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build-tsan}")
jobs=${SONALTO_JOBS:-$(nproc)}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="-fsanitize=thread" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread -Wl,--version-script=$root/tests/tsan/exports.map" \
  -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
  -DSONALTO_BUILD_GUI=ON -DSONALTO_BUILD_TESTS=ON -DSONALTO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target common_tests updater_core_tests updater_tests \
  updater_e2e_tests player_tests player_e2e_tests install_tree

# The tests of the threaded parts. Two playback tests are left out: the
# media-controls test and the sound-server test start their helper (a
# private message bus, a sound server) with QProcess, whose fork in a
# threaded process this ThreadSanitizer runtime does not survive
# ("CHECK failed: tsan_rtl.cpp:234" in ForkAfter).
tests='^(FetchTest|LiveFeed|LiveFeedTest|Download|Dialog|UpdaterRun|SongWindowTest|CoverTest'
tests+='|StreamPlayerTest|PlayerPlaying|PlayerReconnect'
tests+='|PlayerUpdateCheck)\.|/StationListUpdate\.'
excluded='publishesStatusMetadataAndControlsOnTheBus|StreamPlayerSoundServerTest'

logs="$build/tsan-logs"
rm -rf "$logs"
mkdir -p "$logs"
# Every process started by the tests (the real player and updater too)
# writes its reports to its own file, logs/tsan.<pid>.
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 report_signal_unsafe=0 history_size=4 suppressions=$root/tests/tsan/suppressions.txt log_path=$logs/tsan"
export QTWEBENGINE_DISABLE_SANDBOX=1

status=0
ctest --test-dir "$build" -R "$tests" -E "$excluded" --output-on-failure \
  --timeout 600 >"$logs/ctest.log" 2>&1 || status=$?
grep -E '^[0-9]+% tests passed' "$logs/ctest.log" || tail -n 20 "$logs/ctest.log"
grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Not Run)\)' "$logs/ctest.log" || true

reports=$(cat "$logs"/tsan.* 2>/dev/null | grep -c '^WARNING: ThreadSanitizer' || true)
# The runtime's own failures (a CHECK, a suppression it refuses) end a
# process without a report.
crashes=$(cat "$logs"/tsan.* 2>/dev/null | grep -cE 'ThreadSanitizer: CHECK failed|^==[0-9]+==ThreadSanitizer' || true)
echo "ThreadSanitizer reports: $reports (logs in $logs)"
if [ "$reports" -gt 0 ] || [ "$crashes" -gt 0 ]; then
  grep -h '^SUMMARY: ThreadSanitizer' "$logs"/tsan.* | sort | uniq -c | sort -rn | head -n 20 || true
  [ "$crashes" -gt 0 ] && echo "ThreadSanitizer runtime failures: $crashes (see the logs)"
  status=1
fi
exit "$status"
