#!/usr/bin/env bash
# Exports the demo song the way a user would, in a virtual display: File > Export Song...,
# MP3+G with an LRC file, zipped. Then looks at the result with ffprobe and ffmpeg and renders
# the .cdg at the moment a word is sung.
#   scripts/xvfb_export_demo.sh [BUILD_FOLDER] [WORK_FOLDER]
# Needs Xvfb and xdotool (apt-get install xvfb xdotool); screenshots use ffmpeg's x11grab.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
work=${2:-$(mktemp -d)}
display=:77
mkdir -p "$work/out" "$work/shots"
work=$(cd "$work" && pwd)

for tool in Xvfb xdotool ffmpeg ffprobe unzip; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install xvfb xdotool ffmpeg unzip)" >&2; exit 1; }
done

started_x=""
app=""
cleanup() {
  [[ -n "$app" ]] && kill "$app" 2>/dev/null || true
  [[ -n "$started_x" ]] && kill "$started_x" 2>/dev/null || true
}
trap cleanup EXIT

if [[ ! -e /tmp/.X77-lock ]]; then
  Xvfb "$display" -screen 0 1280x1024x24 -noreset >"$work/xvfb.log" 2>&1 &
  started_x=$!
  sleep 1
fi
export DISPLAY=$display
# A settings folder of its own: the dialog opens on its defaults (BIN, no LRC, no zip).
export XDG_CONFIG_HOME="$work/config"
export TESSAVOX_AUDIO=null

shot() { ffmpeg -v error -f x11grab -video_size 800x600 -i "$display" -frames:v 1 -y "$work/shots/$1.png"; }
# Waits for a window whose title matches, prints its id.
window() {
  for _ in $(seq 1 200); do
    local w
    w=$(xdotool search --name "$1" 2>/dev/null | head -1 || true)
    if [[ -n "$w" ]]; then echo "$w"; return 0; fi
    sleep 0.05
  done
  echo "no window \"$1\"" >&2
  return 1
}

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$work/twinkle.tvx" "$work/twinkle.wav" >/dev/null
"$build/src/tessavox" --no-splash "$work/twinkle.tvx" >"$work/tessavox.log" 2>&1 &
app=$!
main=$(window "Tessavox - twinkle.tvx")
sleep 1
shot 1-main

# File > Export Song... ("&Export Song..." answers to E in the open menu).
xdotool mousemove --window "$main" 20 9 click 1
sleep 0.5
shot 2-file-menu
xdotool key e
dialog=$(window "Export Song File")
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# MP3+G, "Create Lyric File (.lrc file)", "Zip files together (.zip file)", then "&Export".
xdotool mousemove $((X + 30)) $((Y + 121)) click 1
sleep 0.3
xdotool mousemove $((X + 18)) $((Y + 187)) click 1
sleep 0.3
xdotool mousemove $((X + 18)) $((Y + 213)) click 1
sleep 0.3
shot 3-export-dialog
xdotool key Return

chooser=$(window "Export To Zipped File")
sleep 0.5
shot 4-chooser
xdotool type --delay 10 "$work/out/twinkle"
xdotool key Return

# While it runs: the progress window's caption, and the bar moving.
window "Compressing Audio..." >/dev/null && echo "progress window: Compressing Audio..."
for i in 1 2 3; do sleep 0.3; shot "5-progress-$i"; done
for _ in $(seq 1 300); do
  [[ -f "$work/out/twinkle.zip" ]] && ! xdotool search --name "Compressing Audio" >/dev/null 2>&1 && break
  sleep 0.1
done
shot 6-done

zip="$work/out/twinkle.zip"
echo "== $zip"
unzip -Z1 "$zip"
mkdir -p "$work/unzipped"
unzip -q -o "$zip" -d "$work/unzipped"
mp3="$work/unzipped/twinkle.mp3"
cdg="$work/unzipped/twinkle.cdg"
lrc="$work/unzipped/twinkle.lrc"
ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate:format=duration:format_tags=title,artist \
  -of default=noprint_wrappers=1 "$mp3"
duration=$(ffprobe -v error -show_entries format=duration -of default=noprint_wrappers=1:nokey=1 "$mp3")
echo ".cdg: $(stat -c %s "$cdg") bytes; the audio's length x 7200 bytes/s = $(awk -v d="$duration" 'BEGIN { printf "%.0f", d * 7200 }')"

# The second "twin" of the first verse: its time from the LRC file, a tenth of a second in.
word=$(grep -o '<[0-9][0-9]:[0-9][0-9]\.[0-9][0-9]>twin' "$lrc" | head -1 | sed 's/<\(..\):\(.....\)>.*/\1 \2/')
at=$(awk -v t="$word" 'BEGIN { split(t, p, " "); printf "%.2f", p[1] * 60 + p[2] + 0.1 }')
echo "the word \"twin\" at ${at} s; its line: $(grep -m1 '>twin' "$lrc")"
"$build/src/tessavox-cli" render "$cdg" --at "$at" -o "$work/shots/7-cdg-at-word.png" --scale 2 --force
for t in 2 "$at"; do
  ffmpeg -hide_banner -ss "$t" -t 0.5 -i "$mp3" -af volumedetect -f null - 2>&1 |
    sed -n "s/.*mean_volume: \(.*\)/audio at ${t} s: mean volume \1/p"
done
echo "screenshots and files in $work"
