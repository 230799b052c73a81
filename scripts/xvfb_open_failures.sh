#!/usr/bin/env bash
# Opening what cannot be opened, through the real window on a virtual display with X key events.
#
#   scripts/xvfb_open_failures.sh [BUILD_DIR] [OUT_DIR]
#
# Music that was moved away: `tessavox lost.tvx` whose WAV is gone; the question names the
# stored path and the places beside the project it looked in; No; the title says the music is
# missing; one letter typed, Ctrl+S: `tessavox-cli info` (text and --json) of the saved project
# still names the music, marked missing, and nothing was written where the music was.
# A damaged project: another letter typed (not saved), Ctrl+O, No to saving, the project cut
# short: a box gives the loader's reason (the one `tessavox-cli info` gives); Return; the same
# song is still open and still modified, and Ctrl+S saves both letters into lost.tvx. The same
# again with a WAV renamed .tvx ("not a Tessavox project file"). The refused files keep their
# bytes. Boxes are read from the view report. Exit status 0 when all went so, 1 when not, 77
# when Xvfb, xdotool or sox is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/open-failures}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox python3 sha256sum xwd ffmpeg
xvfb_need_built src/tessavox src/tessavox-cli
xvfb_fresh_out
report="$out/report.txt"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp" TESSAVOX_WAVEFORM_REPORT="$report"

xvfb_stop_on_exit
xvfb_start

user="$out/user" away="$out/away"
mkdir -p "$user" "$away" "$out/elsewhere"
sox -n -r 44100 -b 16 -c 2 "$away/music.wav" synth 3 sine 440 vol 0.3
printf 'one two three\nfour five six\n' >"$user/words.txt"
"$build/src/tessavox-cli" new -o "$user/lost.tvx" --music "$away/music.wav" --lyrics "$user/words.txt" >/dev/null
# The music goes where the project does not look for it.
mv "$away/music.wav" "$out/elsewhere/music.wav"
head -c 1000 "$user/lost.tvx" >"$user/cut.tvx"
cp "$out/elsewhere/music.wav" "$user/renamed.tvx"
cut_digest=$(digest "$user/cut.tvx")
renamed_digest=$(digest "$user/renamed.tvx")

cli_info() {
  "$build/src/tessavox-cli" info "$@"
}
# The saved project's music and whether it is missing, from the JSON report.
json_music() {
  cli_info --json "$user/lost.tvx" | python3 -c "import json,sys; d=json.load(sys.stdin); print(d['music'], d['musicMissing'])"
}
# How many characters the saved lyric lines hold together.
lyric_chars() {
  cli_info --json "$user/lost.tvx" | python3 -c "import json,sys; print(sum(len(l['text']) for l in json.load(sys.stdin)['lines']))"
}
# The line of the view report of the last box with this caption, waited for.
box_line() {
  wait_report "box $1: " "${2:-0}" || fail "the view report has no box \"$1\""
}
# A picture of one window (a box), for a human to read what it said.
window_shot() {
  xwd -id "$1" -silent >"$out/window.xwd" 2>/dev/null && ffmpeg -v error -i "$out/window.xwd" -y "$out/$2.png" || true
  rm -f "$out/window.xwd"
}
# Ctrl+S, then waits until lost.tvx changed.
save() {
  local before _
  before=$(digest "$user/lost.tvx")
  focus "$win"
  xdotool key ctrl+s
  for _ in $(seq 100); do
    [[ "$(digest "$user/lost.tvx")" != "$before" ]] && return 0
    sleep 0.1
  done
  fail "Ctrl+S did not write lost.tvx ($1)"
}

chars=$(lyric_chars)
cli_info "$user/lost.tvx" | grep -qxF "Music:          $away/music.wav (missing)" ||
  fail "info does not mark the moved music missing: $(cli_info "$user/lost.tvx" | grep '^Music:')"

echo "== a project whose music was moved away"
"$build/src/tessavox" --no-splash "$user/lost.tvx" >"$out/tessavox.log" 2>&1 &
app=$!
question=$(wait_window "Error in Music File") || fail "no question about the music (see $out/tessavox.log)"
line=$(box_line "Error in Music File")
for tried in "$away/music.wav" "$user/music.wav" "$user/away/music.wav"; do
  [[ "$line" == *"\\n$tried\\n"* ]] || fail "the question does not name $tried: $line"
done
echo "the question names the paths it tried"
sleep 0.5 # painted, for the picture only
window_shot "$question" 1-music-question
focus "$question"
xdotool key n
wait_window_gone "Error in Music File" || fail "the music question stayed"
win=$(wait_window "Tessavox - lost\\.tvx") || fail "the window did not open lost.tvx"
wait_title "$win" "^Tessavox - lost\\.tvx \\(music missing\\)$" || fail "the title does not say the music is missing"
focus "$win"
xdotool type --delay 20 "x"
save "after typing"
[[ "$(json_music)" == "$away/music.wav True" ]] || fail "the saved project's music is \"$(json_music)\""
cli_info "$user/lost.tvx" | grep -qxF "Music:          $away/music.wav (missing)" ||
  fail "info of the saved project says $(cli_info "$user/lost.tvx" | grep '^Music:')"
[[ "$(lyric_chars)" == $((chars + 1)) ]] || fail "the typed letter was not saved ($(lyric_chars) characters, not $((chars + 1)))"
[[ -z "$(ls -A "$away")" ]] || fail "something was written where the music was: $(ls -A "$away")"
echo "saved after No: the project still names $away/music.wav, marked missing; nothing written there"

# A refused file, opened over a song with an unsaved letter: its box, and the song as it was.
open_refused() {
  local file=$1 reason=$2 shown
  focus "$win"
  xdotool type --delay 20 "y"
  # The letter is an unsaved change: the title gets its mark and keeps the missing music's.
  wait_title "$win" "^Tessavox - lost\\.tvx\\* \\(music missing\\)$" || fail "the title does not show the unsaved letter"
  local seen
  seen=$(wc -l <"$report")
  focus "$win"
  xdotool key ctrl+o
  question=$(wait_window "Confirm Closing Project") || fail "no unsaved-changes question before Open"
  focus "$question"
  xdotool key n
  choose_file "Open Tessavox Project" "$file"
  box=$(wait_window "^Tessavox$") || fail "no box for $(basename "$file")"
  shown=$(box_line "Tessavox" "$seen")
  [[ "$shown" == "box Tessavox: $reason" ]] || fail "the box for $(basename "$file") says \"$shown\", not \"$reason\""
  sleep 0.5 # painted, for the picture only
  window_shot "$box" "refused-$(basename "$file" .tvx)"
  focus "$box"
  xdotool key Return
  wait_window_gone "^Tessavox$" || fail "the box for $(basename "$file") stayed"
  wait_title "$win" "^Tessavox - lost\\.tvx\\* \\(music missing\\)$" 5 || fail "another song is open after $(basename "$file")"
  chars=$((chars + 1))
  save "after $(basename "$file") was refused"
  [[ "$(lyric_chars)" == $((chars + 1)) ]] ||
    fail "after $(basename "$file") the saved song has $(lyric_chars) characters, not $((chars + 1))"
  echo "$(basename "$file"): \"$reason\"; the open song stayed, with its unsaved letter"
}
echo "== damaged projects"
cli_reason=$(cli_info "$user/cut.tvx" 2>&1 >/dev/null || true)
ends_early="The project file ends before all of its pages and lines could be read; it is truncated or damaged."
[[ "$cli_reason" == *": $ends_early" ]] || fail "info of the cut project says \"$cli_reason\""
open_refused "$user/cut.tvx" "$ends_early"
open_refused "$user/renamed.tvx" "The file is not a Tessavox project file."
[[ "$(digest "$user/cut.tvx")" == "$cut_digest" && "$(digest "$user/renamed.tvx")" == "$renamed_digest" ]] ||
  fail "a refused file was written"
[[ "$(json_music)" == "$away/music.wav True" ]] || fail "the last save lost the music: \"$(json_music)\""

exit_by_menu "$app"
status=$exit_status
app=
[[ "$status" == 0 ]] || fail "the window ended with $status (see $out/tessavox.log)"
echo "the refused files are as they were; the window closed with status 0"
