#!/usr/bin/env bash
# Builds the reliability tests with ThreadSanitizer (its own build folder, build-tsan) and runs
# the playback stress loop under it: any race report, leaked thread or stuck cycle fails.
#   scripts/tsan.sh [gtest options...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-tsan
jobs=${TSAN_BUILD_JOBS:-2}
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVOX_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_C_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target test_reliability >/dev/null

export TESSAVOX_AUDIO=null
# halt_on_error: the first race ends the run with a failure; exitcode makes a report fail it
# even where the test itself would pass.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:exitcode=66:second_deadlock_stack=1}
exec "$build/tests/test_reliability" --gtest_filter='PlaybackStress.*' "$@"
