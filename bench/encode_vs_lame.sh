#!/usr/bin/env bash
# MP3 encoding side by side: our encoder (the same LAME library, opened at run time) against the
# lame command-line encoder, at the same bit rate on the same 4-minute WAV. Needs the Debian
# packages lame, sox and hyperfine, and a Release build in build/ (./run.sh makes one).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in lame sox hyperfine; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install $tool)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/four.wav" synth 240 sine 440 sine 660 vol 0.4
hyperfine -w 1 -r "${RUNS:-5}" \
  "lame --quiet -b 128 $work/four.wav $work/lame.mp3" \
  "build/src/tessavox-cli encode $work/four.wav -o $work/ours.mp3 --kbps 128 --force"
