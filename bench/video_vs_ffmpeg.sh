#!/usr/bin/env bash
# The MP4 export side by side with the ffmpeg pipeline a user would otherwise run on the MP3+G
# pair: a 4-minute demo song (the demo lyrics three times, on the beat, with its synthesized
# tune) at 720p and 30 frames a second, same encoder settings. Then the peak memory of a
# 10-minute song at 1080p. Needs ffmpeg and farm-bench, and a build with tessavox-cli and
# make_demo_song (default build-rel).
#   bench/video_vs_ffmpeg.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/src/tessavox-cli"

# Lyrics repeated until the song lasts about `minutes`, each copy on pages of its own.
song() {
  local name=$1 copies=$2
  : >"$work/$name.txt"
  for _ in $(seq "$copies"); do cat data/demo/twinkle.txt; printf '\n^\n'; done >>"$work/$name.txt"
  "$build/scripts/make_demo_song" "$work/$name.txt" "$work/$name.tvx" "$work/$name.wav"
  "$cli" export "$work/$name.tvx" -o "$work/$name.mp3" --force 2>/dev/null
}
song four 3
song ten 10

farm-bench -n "$runs" --timeout 900 \
  --vs "ffmpeg -v error -f cdg -i $work/four.cdg -i $work/four.mp3 -map 0:v -map 1:a -vf fps=30,scale=960:720:flags=neighbor,pad=1280:720:160:0 -c:v libx264 -preset ultrafast -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k -movflags +faststart -shortest -y $work/peer.mp4" \
  -- "$cli" export "$work/four.tvx" --type mp4 -o "$work/ours.mp4" --force
ffprobe -v error -show_entries format=duration:stream=codec_name,width,height,r_frame_rate -of compact "$work/ours.mp4"

/usr/bin/time -v "$cli" export "$work/ten.tvx" --type mp4 --size 1080p -o "$work/ten.mp4" --force 2>&1 |
  grep -E "video|Maximum resident|Elapsed"
