#!/usr/bin/env bash
# A drag on the waveform strip of Adjust Lyrics through the real window on a virtual display,
# with X mouse and key events.
#
#   scripts/xvfb_waveform_drag.sh [BUILD_DIR] [OUT_DIR]
#
# Open the demo song, Alt+A, Right (the second word is selected), Ctrl+wheel over the word
# zooms the strip in, then the word's left edge (found from where the strip says it lies and
# what it shows) is dragged 0.5 s to the right; Ctrl+S. The saved start moved by 0.5 s within
# 10 ms, and the start, end and length the view shows are the saved ones. Ctrl+Z, Ctrl+S: the
# old start is saved again. Exit status 0 when all went so, 1 when not, 77 when Xvfb or
# xdotool is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/waveform-drag}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool python3
xvfb_need_built src/tessavox src/tessavox-cli scripts/make_demo_song
xvfb_fresh_out
report="$out/report.txt"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp" TESSAVOX_WAVEFORM_REPORT="$report"

xvfb_pid=
app=
cleanup() {
  [[ -n "$app" ]] && kill -KILL "$app" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
xvfb_start

fail() {
  echo "FAILED: $*" >&2
  shot failed
  exit 1
}

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/a.tvx" "$out/a.wav" >/dev/null

# Start and end (samples) of word N (from 0) of the song's first line, as saved.
word_times() {
  "$build/src/tessavox-cli" info --json "$out/a.tvx" |
    python3 -c "import json,sys; w=json.load(sys.stdin)['lines'][0]['words'][$1]; print(w['start'], w['end'])"
}
save() {
  local before _
  before=$(digest "$out/a.tvx")
  focus "$win"
  xdotool key ctrl+s
  for _ in $(seq 100); do
    [[ "$(digest "$out/a.tvx")" != "$before" ]] && return 0
    sleep 0.1
  done
  fail "Ctrl+S did not write a.tvx ($1)"
}

read -r start0 end0 < <(word_times 1)

"$build/src/tessavox" --no-splash "$out/a.tvx" >"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - a\\.tvx") || fail "the window did not open (see $out/tessavox.log)"
focus "$win"
xdotool key alt+a
wait_report "times word 0 " >/dev/null || fail "Adjust Lyrics did not select the first word"
focus "$win"
xdotool key Right
wait_report "times word 1 " >/dev/null || fail "Right did not select the second word"

# Where Adjust Lyrics' strip is and what it shows: "strip X Y W H from F to T" (microseconds),
# told after the view came (Edit Lyrics' strip told of itself before).
adjust_came=$(grep -n "^times word 0 " "$report" | head -1 | cut -d: -f1)
read -r _ sx sy sw sh _ from _ to < <(wait_report "strip " "$adjust_came") || fail "the strip never reported where it is"
column() { # song time in samples -> screen x, the strip's own mapping
  python3 -c "print($sx + ($1 * 1000000 // 44100 - $from) * $sw // ($to - $from))"
}
x=$(column "$start0")
y=$((sy + sh / 2))
((x > sx && x < sx + sw)) || fail "the second word's start ($start0) is not on the strip ($sx+$sw, $from to $to)"

# Zoomed in over the word (the time under the mouse stays), a pixel is a few milliseconds.
xdotool mousemove "$x" "$y"
sleep 0.2
xdotool keydown ctrl
for _ in 1 2 3 4 5 6 7 8; do xdotool click 4; sleep 0.05; done
xdotool keyup ctrl
for _ in $(seq 100); do
  read -r _ sx sy sw sh _ from _ to < <(wait_report "strip " "$adjust_came")
  ((to - from == 2000000)) && break
  sleep 0.1
done
((to - from == 2000000)) || fail "Ctrl+wheel did not zoom the strip to 2 s (it shows $from to $to)"
x=$(column "$start0")
dx=$(python3 -c "print(round(500000 * $sw / ($to - $from)))")
echo "strip at $sx,$sy ${sw}x$sh shows $from to $to us; the start is at x $x, 0.5 s is $dx pixels"

# The drag: down on the edge, over in steps, up.
xdotool mousemove "$x" "$y"
sleep 0.2
xdotool mousedown 1
for i in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove "$((x + dx * i / 10))" "$y"
  sleep 0.05
done
sleep 0.2
shot dragging
xdotool mouseup 1
# The view has shown the moved start before the save.
before_text=$(song_time "$start0")
for _ in $(seq 100); do
  [[ "$(wait_report "times word 1 ")" != *"start $before_text "* ]] && break
  sleep 0.1
done
save "after the drag"
read -r start1 end1 < <(word_times 1)
moved=$((start1 - start0))
((moved >= 22050 - 441 && moved <= 22050 + 441)) ||
  fail "the drag moved the start by $moved samples, not 22050 +- 441 (0.5 s +- 10 ms)"
echo "the drag moved the second word's start from $start0 to $start1 ($moved samples)"

# What the view shows is what was saved.
shown=$(wait_report "times word 1 ")
expected="start $(song_time "$start1") end $(song_time "$end1") length $(song_time $((end1 - start1)))"
[[ "$shown" == *"$expected"* ]] || fail "the view shows \"$shown\", the saved word is \"$expected\""
echo "the view shows $expected"

focus "$win"
xdotool key ctrl+z
save "after Ctrl+Z"
read -r start2 _ < <(word_times 1)
[[ "$start2" == "$start0" ]] || fail "after Ctrl+Z the word starts at $start2, not $start0"
echo "Ctrl+Z put the start back at $start0"

exit_by_menu "$app"
status=$exit_status
app=
[[ "$status" == 0 ]] || fail "the window ended with $status (see $out/tessavox.log)"
