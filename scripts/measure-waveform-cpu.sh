#!/usr/bin/env bash
# What the waveform strip costs while music plays: the window's CPU over SECONDS (10) of
# Place Lyrics placing the demo song (TESSAVOX_AUDIO=null), with the strip shown and hidden,
# and the time each paint of the strip took meanwhile (the strip's own count).
#
#   scripts/measure-waveform-cpu.sh [BUILD_DIR] [OUT_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
out=${2:-$build/waveform-cpu}
seconds=${3:-10}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool
xvfb_fresh_out
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"
xvfb_pid=
app=
cleanup() {
  [[ -n "$app" ]] && kill -KILL "$app" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
xvfb_start
"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/a.tvx" "$out/a.wav" >/dev/null

# User and system time of a process, in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

for shown in 1 0; do
  mkdir -p "$XDG_CONFIG_HOME/Kelvane"
  printf '[Settings]\nShowWaveform=%s\n' "$shown" >"$XDG_CONFIG_HOME/Kelvane/Tessavox.ini"
  report="$out/report-$shown.txt"
  TESSAVOX_WAVEFORM_REPORT="$report" "$build/src/tessavox" --no-splash "$out/a.tvx" >"$out/app-$shown.log" 2>&1 &
  app=$!
  win=$(wait_window "Tessavox - a\\.tvx")
  sleep 1
  focus "$win"
  xdotool key alt+l
  # The demo song is placed already: the shell asks first, Yes.
  question=$(wait_window "Confirm Overwriting Placed Lyrics" 10)
  focus "$question"
  xdotool key Return
  wait_window_gone "Confirm Overwriting Placed Lyrics" 10
  sleep 1
  focus "$win"
  xdotool key Home
  sleep 2 # past the start of playing
  t0=$(ticks "$app")
  sleep "$seconds"
  t1=$(ticks "$app")
  focus "$win"
  xdotool key End
  for _ in $(seq 50); do grep -q '^paints' "$report" 2>/dev/null && break; sleep 0.1; done
  paints=$(grep '^paints' "$report" 2>/dev/null | tail -1 || true)
  kill -KILL "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
  cpu=$(awk -v t=$((t1 - t0)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * t / hz / s }')
  [[ "$shown" == 0 || -n "$paints" ]] || { echo "the strip told of no paints: did placing start? (see $out)" >&2; exit 1; }
  echo "strip shown=$shown: window CPU ${cpu} % of a core over ${seconds} s of placing${paints:+; $paints ms}"
done
