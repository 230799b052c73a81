#!/usr/bin/env bash
# Builds the test configuration (AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build-test
# A compiler cache, where one is installed, makes a rebuild in another checkout cheap.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSAVOX_SANITIZE=ON -DTESSAVOX_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"

# Each fuzz target for a few seconds (clang's build of them in build-fuzz).
if command -v clang++ >/dev/null 2>&1; then
  scripts/fuzz-smoke.sh "${FUZZ_SECONDS:-15}"
else
  echo "clang++ not installed: skipping the fuzz targets"
fi
