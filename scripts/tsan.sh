#!/usr/bin/env bash
# Builds the playback tests with ThreadSanitizer (its own build folder, build-tsan) and runs them
# under it: the stress loop of a thousand start/seek/stop/release cycles, the player's and sound
# output's tests, and PortAudio through a private PulseAudio null sink when PulseAudio is there.
# Any race report, leaked thread or stuck cycle fails.
#   scripts/tsan.sh [gtest options for the stress loop...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-tsan
jobs=${TSAN_BUILD_JOBS:-2}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVOX_TSAN=ON -DTESSAVOX_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target test_reliability test_audio >/dev/null

export TESSAVOX_AUDIO=null
# halt_on_error: the first race ends the run with a failure; exitcode makes a report fail it
# even where the test itself would pass. The sound libraries' own races are suppressed.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan-suppressions.txt}
"$build/tests/test_reliability" --gtest_filter='PlaybackStress.*' "$@"
"$build/tests/test_audio" --gtest_filter='KaraokePlayer*:AudioOutput*:NullAudioOutput*:PlaybackFeed*:PortAudioOutput*'
status=0
scripts/with-pulse-null-sink.sh "$build/tests/test_audio" --gtest_filter='PortAudioThroughPulse.*' || status=$?
# 77: PulseAudio is not installed, the device test is skipped.
[[ $status -eq 0 || $status -eq 77 ]] || exit $status
echo "ThreadSanitizer: no race in the playback tests"
