#!/usr/bin/env bash
# Undo and crash recovery through the real window on a virtual display, with X key events.
#
#   scripts/xvfb_undo_recovery.sh [BUILD_DIR] [OUT_DIR]
#
# Undo of a placing pass: open the demo song, Place Lyrics (Alt+L, Yes to placing anew), Home,
# three Spaces, End, Ctrl+S: the first words have new times; Ctrl+Z, Ctrl+S: every word of the
# first line is saved at its old time, and Adjust Lyrics shows the first word's old start.
# Undo of a move: Adjust Lyrics (Alt+A), Right, "." (the second word starts later),
# Ctrl+S; Ctrl+Z, Ctrl+S: the saved word times are the moved ones, then the old ones again;
# Ctrl+Y, Ctrl+S: moved again. Recovery: "." once more, wait for the recovery copy, kill -9 the
# window, start it again with no project, answer Yes to the recovery question: the window shows
# the song by its name, modified; Ctrl+S saves the change that the kill would have lost.
# Exit status 0 when all went so, 1 when not, 77 when Xvfb or xdotool is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/undo-recovery}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool python3
xvfb_need_built src/tessavox src/tessavox-cli scripts/make_demo_song
xvfb_fresh_out
report="$out/report.txt"
# The views write what they show to the report (the selected word's times in Adjust Lyrics).
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
  windows_seen
  shot failed
  exit 1
}

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/a.tvx" "$out/a.wav" >/dev/null

# The start of word N (from 0) of the song's first line, as saved.
word_start() {
  "$build/src/tessavox-cli" info --json "$out/a.tvx" |
    python3 -c "import json,sys; print(json.load(sys.stdin)['lines'][0]['words'][$1]['start'])"
}
# The starts of the first line's words, as saved.
line_starts() {
  "$build/src/tessavox-cli" info --json "$out/a.tvx" |
    python3 -c "import json,sys; print(' '.join(str(w['start']) for w in json.load(sys.stdin)['lines'][0]['words']))"
}
# Ctrl+S, then waits until the file changed from what it was.
save() {
  local before after _
  before=$(digest "$out/a.tvx")
  focus "$win"
  xdotool key ctrl+s
  for _ in $(seq 100); do
    after=$(digest "$out/a.tvx")
    [[ "$after" != "$before" ]] && return 0
    sleep 0.1
  done
  fail "Ctrl+S did not write a.tvx ($1)"
}
key() {
  focus "$win"
  xdotool key "$@"
  sleep 0.3
}

original=$(word_start 1)
original_line=$(line_starts)
step=8820 # the song's adjust amount, 200 ms

"$build/src/tessavox" --no-splash "$out/a.tvx" >"$out/first.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - a\\.tvx") || fail "the window did not open (see $out/first.log)"
sleep 0.5

# A placing pass: Home starts the music, each Space places the next word, End ends the pass.
key alt+l
question=$(wait_window "Confirm Overwriting Placed Lyrics") || fail "Place Lyrics did not ask before placing anew"
focus "$question"
xdotool key y
wait_window_gone "Confirm Overwriting Placed Lyrics" || fail "the question stayed"
sleep 1
focus "$win"
xdotool keydown --delay 0 Home keyup --delay 0 Home sleep 1.0 \
  keydown --delay 0 space keyup --delay 0 space sleep 0.6 \
  keydown --delay 0 space keyup --delay 0 space sleep 0.6 \
  keydown --delay 0 space keyup --delay 0 space sleep 0.6
key End
sleep 0.5
save "after placing"
placed_line=$(line_starts)
[[ "$placed_line" != "$original_line" ]] || fail "the placing pass saved the old times ($placed_line)"
key ctrl+z
save "after Ctrl+Z of the placing pass"
[[ "$(line_starts)" == "$original_line" ]] ||
  fail "after Ctrl+Z the first line is saved at $(line_starts), not $original_line (placed: $placed_line)"
key alt+a
first_start=${original_line%% *}
shown=$(wait_report "times word 0 ") || fail "Adjust Lyrics did not show the first word's times"
[[ "$shown" == *"start $(song_time "$first_start") "* ]] ||
  fail "after Ctrl+Z Adjust Lyrics shows \"$shown\", the saved first word starts at $(song_time "$first_start")"
echo "undo of a placing pass: saved $placed_line, then $original_line again; the view shows $shown"

sleep 0.5
key Right
key period
save "after the move"
moved=$(word_start 1)
[[ "$moved" == $((original + step)) ]] || fail "the move saved $moved, not $((original + step))"
key ctrl+z
save "after Ctrl+Z"
[[ "$(word_start 1)" == "$original" ]] || fail "after Ctrl+Z the word starts at $(word_start 1), not $original"
key ctrl+y
save "after Ctrl+Y"
[[ "$(word_start 1)" == "$moved" ]] || fail "after Ctrl+Y the word starts at $(word_start 1), not $moved"
echo "undo and redo: the second word saved at $moved, $original, $moved"

# The same word again, not saved; the window is killed once the copy is written.
key period
state="$XDG_STATE_HOME/tessavox"
copy=
for _ in $(seq 100); do
  copy=$(ls "$state"/recovery-*.tvxr 2>/dev/null | head -1) || true
  [[ -n "$copy" ]] && break
  sleep 0.1
done
[[ -n "$copy" ]] || fail "no recovery copy in $state within 10 s of a change"
kill -KILL "$app"
wait "$app" 2>/dev/null || true
app=
[[ "$(word_start 1)" == "$moved" ]] || fail "the killed window's change reached a.tvx"

"$build/src/tessavox" --no-splash >"$out/second.log" 2>&1 &
app=$!
question=$(wait_window "^Tessavox$") || fail "no recovery question (see $out/second.log)"
shot question
focus "$question"
xdotool key y
win=$(wait_window "Tessavox - a\\.tvx") || fail "the recovered song did not open"
[[ -z "$(ls "$state"/recovery-*.tvxr 2>/dev/null | grep -v "recovery-$app\\.")" ]] ||
  fail "the copy left behind is still there after its song was recovered"
save "after recovery"
[[ "$(word_start 1)" == $((moved + step)) ]] || fail "the recovered change saved $(word_start 1), not $((moved + step))"
echo "recovered after kill -9: the second word saved at $((moved + step))"

exit_by_menu "$app"
status=$exit_status
app=
[[ "$status" == 0 ]] || fail "the window ended with $status (see $out/second.log)"
[[ -z "$(ls "$state"/recovery-*.tvxr 2>/dev/null)" ]] || fail "a clean exit left a recovery copy"
echo "a clean exit left no recovery copy"
