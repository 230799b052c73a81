#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds:
#   scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is one of: project cdg wavestream lrc midi txt picture (or "list").
# Builds the clang fuzz configuration in build-fuzz when needed. The corpus grows in
# build-fuzz/corpus/TARGET, started from the seeds in fuzz/corpus/TARGET (never written to);
# a crashing input lands in build-fuzz/artifacts/TARGET/ and the exit status is non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(project cdg wavestream lrc midi txt picture)
if [[ $# -ge 1 && "$1" == list ]]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
if [[ $# -lt 2 ]]; then
  echo "usage: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]   (targets: ${targets[*]})" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [[ ! " ${targets[*]} " == *" $target "* ]]; then
  echo "unknown fuzz target '$target' (targets: ${targets[*]})" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

build=build-fuzz
jobs=${FUZZ_BUILD_JOBS:-2}
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DTESSAVOX_FUZZ=ON -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "fuzz_$target" >/dev/null

corpus="$build/corpus/$target"
artifacts="$build/artifacts/$target"
mkdir -p "$corpus" "$artifacts"

# Text readers meet whole files of lyrics; give them room for long lines. Projects carry
# quarter-megabyte pages, so their inputs follow the seeds' size.
options=()
case "$target" in
  lrc|txt|midi) options+=(-max_len=65536) ;;
esac

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# One job, one worker: the machine is shared.
exec "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "${options[@]}" "$@" "$corpus" "fuzz/corpus/$target" </dev/null
