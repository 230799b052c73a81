#!/usr/bin/env bash
# Auto-Time through the real window on a virtual display, with X key events only.
#
#   scripts/xvfb_autotime.sh [BUILD_DIR] [OUT_DIR]
#
# A two-line song whose vocal flite speaks word by word (scripts/make_spoken_song.py), its
# words not placed. Place Lyrics (Alt+L), its Auto-Time button (Alt+I), the vocal track typed
# into "Choose the Vocal Track": once the progress box has gone the status bar names the words
# timed, and Ctrl+S saves every word within 0.3 s of where its sound begins. Ctrl+Z, Ctrl+S:
# every word unplaced again. Ctrl+Y, then Edit > Auto-Time (Alt+E, I) asks before replacing the
# placed words, and No leaves the file as it was. Adjust Lyrics (Alt+A), U: a word the aligner
# was unsure of is selected. Place Lyrics with Lines Only (Alt+O): a Space as each line begins
# places only its first word, and Auto-Time then times the rest from those taps without asking
# to replace them. Exit status 0 when all went so, 1 when not, 77 when Xvfb,
# xdotool, flite or sox is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/autotime}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool python3 flite sox
xvfb_need_built src/tessavox src/tessavox-cli
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
  windows_seen
  shot failed
  exit 1
}

python3 scripts/make_spoken_song.py "$out"
song="$out/song.tvx"
"$build/src/tessavox-cli" new -o "$song" --music "$out/music.wav" --lyrics "$out/lyrics.txt" >/dev/null

# Every word's start, as saved.
starts() {
  "$build/src/tessavox-cli" info --json "$song" |
    python3 -c "import json,sys; print(' '.join(str(w['start']) for l in json.load(sys.stdin)['lines'] for w in l['words']))"
}
# Ctrl+S, then waits until the file changed from what it was.
save() {
  local before after _
  before=$(digest "$song")
  focus "$win"
  xdotool key ctrl+s
  for _ in $(seq 100); do
    after=$(digest "$song")
    [[ "$after" != "$before" ]] && return 0
    sleep 0.1
  done
  fail "Ctrl+S did not write song.tvx ($1)"
}
key() {
  focus "$win"
  xdotool key "$@"
  sleep 0.3
}
# Waits for the progress box of the timing to have gone (it may be gone before it is seen).
timed() {
  wait_window_gone "Timing the Words" 120 || fail "the timing did not end within 120 s"
  sleep 0.5
}

unplaced=$(starts)
"$build/src/tessavox" --no-splash "$song" >"$out/window.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - song\\.tvx") || fail "the window did not open (see $out/window.log)"
sleep 0.5

key alt+l
sleep 0.5
key alt+i
choose_file "Choose the Vocal Track" "$out/vocals.wav"
timed
save "after Auto-Time"
auto=$(starts)
python3 - "$auto" "$(cat "$out/truth.txt")" <<'PY' || fail "the saved times are not the spoken ones"
import sys
found, truth = [int(v) for v in sys.argv[1].split()], [int(v) for v in sys.argv[2].split()]
assert len(found) == len(truth), (found, truth)
worst = max(abs(f - t) for f, t in zip(found, truth))
print("Auto-Time: %d words, at most %.3f s from where each is spoken" % (len(found), worst / 44100))
assert worst <= 44100 * 3 // 10, (found, truth)
PY

key ctrl+z
save "after Ctrl+Z"
[[ "$(starts)" == "$unplaced" ]] || fail "after Ctrl+Z the words are saved at $(starts), not unplaced ($unplaced)"
key ctrl+y
save "after Ctrl+Y"
[[ "$(starts)" == "$auto" ]] || fail "after Ctrl+Y the words are saved at $(starts), not $auto"
echo "undo and redo: unplaced, then the timed words again"

# Placed words are replaced only after a Yes.
before=$(digest "$song")
focus "$win"
xdotool key alt+e
sleep 0.5
xdotool key i
question=$(wait_window "Auto-Time Lyrics") || fail "Auto-Time did not ask before replacing placed words"
focus "$question"
xdotool key n
wait_window_gone "Auto-Time Lyrics" || fail "the question stayed"
sleep 0.5
[[ -z "$(xdotool search --onlyvisible --name "Choose the Vocal Track" 2>/dev/null)" ]] ||
  fail "No to the question went on to the vocal chooser"
key ctrl+s
sleep 0.5
[[ "$(digest "$song")" == "$before" ]] || fail "No to the question changed the song"

# Timed against the song's own music (Cancel in the vocal chooser), a tone with no voice in it,
# every word is unsure: U goes to one. Without a vocal track Auto-Time first offers to tap each
# line; No times from the music as it is.
focus "$win"
xdotool key alt+e
sleep 0.5
xdotool key i
question=$(wait_window "Auto-Time Lyrics") || fail "Auto-Time did not ask before replacing placed words"
focus "$question"
xdotool key y
chooser=$(wait_window "Choose the Vocal Track") || fail "no vocal chooser after Yes"
focus "$chooser"
xdotool key Escape
offer=$(wait_window "Auto-Time Lyrics") || fail "Auto-Time on the song's music did not offer to tap each line"
focus "$offer"
xdotool key n
timed
key alt+a
sleep 1
key u
shown=$(wait_report "times word [0-9]+ .* unsure") || fail "U selected no unsure word (see $report)"
echo "U in Adjust Lyrics: $shown"

# Lines Only (Alt+O) in Place Lyrics: a Space as each line begins places only its first word.
# Auto-Time then asks nothing before the vocal chooser and times every word, each line from its
# tap on.
key alt+l
confirm=$(wait_window "Confirm Overwriting Placed Lyrics") || fail "Place Lyrics did not ask before placing again"
focus "$confirm"
xdotool key y
wait_window_gone "Confirm Overwriting Placed Lyrics" || fail "the question stayed"
sleep 0.5
key alt+o
read -r line1 line2 < <(python3 -c "
import sys
t = [int(v) for v in open(sys.argv[1]).read().split()]
print(t[0] / 44100, t[4] / 44100)" "$out/truth.txt")
focus "$win"
xdotool key Home
started=$(date +%s.%N)
for at in "$line1" "$line2"; do
  python3 -c "import sys,time; time.sleep(max(0.0, float(sys.argv[1]) + 0.08 - (time.time() - float(sys.argv[2]))))" \
    "$at" "$started"
  xdotool key space
done
sleep 0.5
xdotool key End
sleep 0.5
save "after tapping the lines"
python3 - "$(starts)" <<'PY' || fail "Lines Only did not leave the first word of each line alone placed"
import sys
s = [int(v) for v in sys.argv[1].split()]
assert s[0] and s[4] and not any(s[1:4]) and not any(s[5:]), s
print("Lines Only: each line's first word tapped, at %.2f s and %.2f s" % (s[0] / 44100, s[4] / 44100))
PY
taps=$(starts)
focus "$win"
xdotool key alt+i
choose_file "Choose the Vocal Track" "$out/vocals.wav"
timed
save "after Auto-Time from the taps"
python3 - "$(starts)" "$taps" <<'PY' || fail "Auto-Time from the taps did not time every line after its tap"
import sys
found, taps = [int(v) for v in sys.argv[1].split()], [int(v) for v in sys.argv[2].split()]
assert all(found), found
assert all(f >= taps[4] - 44100 * 3 // 10 for f in found[4:]) and all(f < taps[4] for f in found[:4]), (found, taps)
print("Auto-Time from line taps: every word timed, each line after its tap")
PY

exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window exited with $exit_status (see $out/window.log)"
echo "xvfb_autotime: passed"
