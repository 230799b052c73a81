#!/usr/bin/env bash
# The window on screens of two sizes and scales, on a virtual display:
#
#   scripts/xvfb_window_fit.sh [BUILD_DIR] [OUT_DIR]
#
# A 1366 x 768 screen at scale 1, then a 1920 x 1080 screen at QT_SCALE_FACTOR=2 (960 x 540
# device-independent pixels). On each, the window test that measures every view's controls and
# CD+G screen against the window and the screen runs on the X display; then the program itself
# opens a song with placed lyrics, its window must lie within the screen, and a picture of each
# view is taken (edit-SCALE.png, place-, adjust-, final-) for a human to look at. The settings
# the first run leaves (a window placed on the larger logical screen) are those the second run
# finds. Exit status 0 when all went so, 1 when not, 77 when Xvfb, xdotool, sox, xwd or ffmpeg
# is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/window-fit}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox xwd ffmpeg
xvfb_need_built src/tessavox src/tessavox-cli tests/app_MainFrameTest
xvfb_fresh_out
report="$out/report.txt"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp" TESSAVOX_WAVEFORM_REPORT="$report"

xvfb_stop_on_exit
stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

sox -n -r 44100 -b 16 -c 2 "$out/music.wav" synth 8 sine 440 vol 0.3
# Placed lyrics (the LRC file's times), so that every view can be reached.
printf '[00:01.00]one two three four\n[00:03.00]five six seven eight\n' >"$out/words.lrc"
"$build/src/tessavox-cli" new -o "$out/song.tvx" --music "$out/music.wav" --lyrics "$out/words.lrc" >/dev/null

# The view's button by its underlined letter, answering Yes to a question on the way.
to_view() {
  local question
  focus "$win"
  xdotool key "alt+$1"
  sleep 1
  question=$(xdotool search --onlyvisible --name "Confirm Overwriting Placed Lyrics|Edit Lyrics" 2>/dev/null | head -1) || true
  if [[ -n "$question" ]]; then
    focus "$question"
    xdotool key Return
    sleep 1
  fi
}

for setup in "1366x768 1" "1920x1080 2"; do
  read -r screen scale <<<"$setup"
  xvfb_screen="${screen}x24"
  xvfb_start
  echo "screen $screen at scale $scale"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME="$out/test-config-$scale" \
    "$build/tests/app_MainFrameTest" everyViewKeepsItsControlsWholeAtTheLeastWindowSize \
    settingsLandInTheIniFileAndTheWindowKeepsItsPlace >"$out/test-$scale.log" 2>&1 ||
    { tail -n 30 "$out/test-$scale.log" >&2; fail "the window test failed on $screen at scale $scale"; }

  QT_SCALE_FACTOR=$scale "$build/src/tessavox" "$out/song.tvx" >"$out/app-$scale.log" 2>&1 &
  app=$!
  win=$(wait_window "^Tessavox - song\.tvx") || fail "no window"
  sleep 1.5
  read -r x y w h < <(xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); x = p[1]; y = p[2]}
    /Geometry/ {split($2, s, "x"); print x, y, s[1], s[2]}')
  read -r sw sh <<<"${screen/x/ }"
  echo "  window $w x $h at $x,$y"
  ((x >= 0 && y >= 0 && x + w <= sw && y + h <= sh)) || fail "the window ($w x $h at $x,$y) is not inside the $screen screen"
  shot "edit-$scale"
  to_view l
  shot "place-$scale"
  to_view a
  shot "adjust-$scale"
  to_view p
  shot "final-$scale"
  exit_by_menu "$app"
  app=
  [[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status"
  stop_xvfb
done
echo "every view fits at both scales; pictures in $out"
