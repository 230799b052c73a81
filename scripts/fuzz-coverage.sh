#!/usr/bin/env bash
# Line and branch coverage that the fuzz corpora reach in the readers they target: replays
# build-fuzz/corpus/TARGET and fuzz/corpus/TARGET through a coverage build (build-fuzzcov).
#   scripts/fuzz-coverage.sh [TARGET...]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A sources=(
  [project]="src/project/ProjectFile.cpp"
  [cdg]="src/player/CdgPacketDecoder.cpp src/player/CdgScreen.cpp"
  [wavestream]="src/media/WaveStreamReader.cpp"
  [lrc]="src/lyrics/LrcParser.cpp"
  [midi]="src/lyrics/MidiLyrics.cpp"
  [txt]="src/lyrics/LyricText.cpp src/project/LyricMarkup.cpp"
  [picture]="src/media/PictureDecoder.cpp src/cdg/PagePicture.cpp"
)
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || mapfile -t targets < <(scripts/fuzz.sh list)

build=build-fuzzcov
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DTESSAVOX_FUZZ=ON -DTESSAVOX_FUZZ_COVERAGE=ON -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
for target in "${targets[@]}"; do
  cmake --build "$build" -j "${FUZZ_BUILD_JOBS:-2}" --target "fuzz_$target" >/dev/null
  profiles="$build/profiles/$target"
  rm -rf "$profiles"
  mkdir -p "$profiles" "build-fuzz/corpus/$target"
  LLVM_PROFILE_FILE="$profiles/%p.profraw" "$build/fuzz/fuzz_$target" -runs=0 \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" </dev/null >/dev/null 2>&1
  llvm-profdata merge -sparse "$profiles"/*.profraw -o "$profiles/merged.profdata"
  inputs=$(find "build-fuzz/corpus/$target" "fuzz/corpus/$target" -type f | wc -l)
  echo "== $target ($inputs inputs)"
  files=()
  for f in ${sources[$target]}; do files+=("$PWD/$f"); done
  llvm-cov report "$build/fuzz/fuzz_$target" -instr-profile="$profiles/merged.profdata" "${files[@]}" |
    awk '/^-|^Filename/ { next } NF >= 13 { n = split($1, part, "/"); printf "   %-32s lines %7s  branches %7s  regions %7s  functions %7s\n", part[n], $10, $13, $4, $7 }'
done
