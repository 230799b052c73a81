#!/usr/bin/env bash
# Rewrites the seed corpora in fuzz/corpus from our own generator (built in build-fuzz), then
# adds the JPEG, GIF and TIFF picture seeds, converted by ffmpeg from the generated PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/fuzz.sh list >/dev/null
if [[ ! -f build-fuzz/build.ninja ]]; then
  cmake -S . -B build-fuzz -G Ninja -DTESSAVOX_FUZZ=ON -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build build-fuzz -j "${FUZZ_BUILD_JOBS:-2}" --target make_fuzz_seeds >/dev/null
ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/make_fuzz_seeds fuzz/corpus
pictures=fuzz/corpus/picture
for ext in jpg gif tiff; do
  ffmpeg -loglevel error -y -i "$pictures/pattern.png" -frames:v 1 "$pictures/pattern.$ext"
done
