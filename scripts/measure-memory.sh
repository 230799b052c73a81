#!/usr/bin/env bash
# Peak memory (maximum resident set, from /usr/bin/time -v) of the big jobs on a 10-minute song:
# the music import that decodes a 10-minute MP3 (tessavox-cli new) and every export of the
# song. Uses a plain optimised build of the CLI in build-rel (no sanitizers, which would inflate
# the figures).   scripts/measure-memory.sh [MINUTES]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
build=build-rel
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAVOX_TESTS=OFF -DTESSAVOX_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "${BUILD_JOBS:-2}" --target tessavox-cli >/dev/null
cli=$PWD/$build/src/tessavox-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp"
export TMPDIR=$work/tmp TESSAVOX_AUDIO=null
seconds=$((minutes * 60))
# The music: a stereo tone sweeping up and down, 192 kbps MP3.
ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=$seconds" \
  -af "vibrato=f=0.2:d=0.5" -ac 2 -b:a 192k "$work/song.mp3"
# The lyrics: a line every five seconds of the song.
for ((i = 0; i < seconds / 5; i++)); do echo "Line num/ber $i of the long song"; done >"$work/song.txt"

peak() { # label, command...
  local label=$1
  shift
  /usr/bin/time -v "$@" >"$work/out.txt" 2>"$work/time.txt" || {
    echo "$label: failed" >&2
    cat "$work/time.txt" >&2
    exit 1
  }
  local kb wall
  kb=$(grep 'Maximum resident set size' "$work/time.txt" | grep -Eo '[0-9]+$')
  wall=$(grep 'Elapsed (wall clock)' "$work/time.txt" | awk '{print $NF}')
  awk -v l="$label" -v kb="$kb" -v w="$wall" 'BEGIN { printf "%-38s %7.1f MiB peak  %s wall\n", l, kb / 1024, w }'
}

echo "a ${minutes}-minute song ($(du -h "$work/song.mp3" | cut -f1) MP3)"
peak "music import (new, decodes the MP3)" "$cli" new -o "$work/song.tvx" --music "$work/song.mp3" --lyrics "$work/song.txt"
echo "  work WAV $(du -h "$work/song.wav" | cut -f1)"
peak "export BIN" "$cli" export "$work/song.tvx" -o "$work/out.bin" --force
peak "export MP3+G with LRC" "$cli" export "$work/song.tvx" -o "$work/out.mp3" --lrc enhanced --force
peak "export WMA+G" "$cli" export "$work/song.tvx" -o "$work/out.wma" --force
peak "export ZIP (MP3+G, LRC)" "$cli" export "$work/song.tvx" -o "$work/out.zip" --lrc simple --force
peak "export MP4 1080p/30" "$cli" export "$work/song.tvx" --type mp4 --size 1080p -o "$work/out.mp4" --force
echo "  written: $(cd "$work" && du -h out.* | tr '\t\n' ' ')"
