#!/usr/bin/env bash
# Files dropped on the real window on a virtual display, by a drag source of the X drag-and-drop
# protocol (scripts/xdnd_drop.py, another X client, as a file manager is):
#
#   scripts/xvfb_drop_files.sh [BUILD_DIR] [OUT_DIR]
#
# A new window; lyrics (.txt) dropped on the lyric editor import them (the editor holds the
# lines, not the file's path); text dragged onto the editor is typed in there; an MP3 dropped on the CD+G preview is attached (converted); a PDF
# dropped on the menu bar is refused and named in the status bar; Ctrl+S and Save As: `tessavox-cli
# info --json` of the saved project has the lines and the music. Then a letter typed (the song
# modified) and a project dropped on the window: the unsaved-changes question, No, and the
# dropped project is the open song (its title in the caption). Exit status 0 when all went so, 1
# when not, 77 when Xvfb, xdotool, python3-xlib, sox or ffmpeg is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/drop-files}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox python3 ffmpeg
# The drag source needs python3-xlib: the python3 first in the path may be another than the
# system's, which the Debian package serves.
xlib_python=
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c "import Xlib" 2>/dev/null; then
    xlib_python=$candidate
    break
  fi
done
[[ -n "$xlib_python" ]] || { echo "skipped: python3-xlib is not installed (scripts/install-deps.sh installs it)" >&2; exit 77; }
xvfb_need_built src/tessavox src/tessavox-cli
xvfb_fresh_out
report="$out/report.txt"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp" TESSAVOX_WAVEFORM_REPORT="$report"

xvfb_stop_on_exit
xvfb_start

files="$out/files"
mkdir -p "$files"
printf 'first dropped line\nsecond dropped line\n' >"$files/words.txt"
sox -n -r 48000 -b 16 -c 1 "$out/tone.wav" synth 4 sine 330 vol 0.3
ffmpeg -v error -i "$out/tone.wav" -y "$files/tune.mp3" || fail "ffmpeg made no MP3"
printf '%%PDF-1.4\n' >"$files/notes.pdf"
sox -n -r 44100 -b 16 -c 2 "$files/other.wav" synth 3 sine 440 vol 0.3
printf 'another song\n' >"$files/other.txt"
"$build/src/tessavox-cli" new -o "$files/other.tvx" --music "$files/other.wav" --lyrics "$files/other.txt" >/dev/null

"$build/src/tessavox" >"$out/app.log" 2>&1 &
app=$!
win=$(wait_window "^Tessavox - Untitled") || fail "no window"
sleep 1
xdotool windowmove --sync "$win" 0 0 2>/dev/null || true
read -r width height < <(xdotool getwindowgeometry "$win" | awk '/Geometry/ {split($2, s, "x"); print s[1], s[2]}')

# Drags the files to the point (in the window) and drops them there.
drop_at() {
  local x=$1 y=$2
  shift 2
  "$xlib_python" scripts/xdnd_drop.py "$win" "$x" "$y" "$@" >>"$out/drag.log" 2>&1 || fail "the window did not take $* at $x,$y"
}
cli_json() {
  "$build/src/tessavox-cli" info --json "$1"
}

# The editor sits at the left under the import row, the preview at the right.
drop_at 60 $((height / 2)) "$files/words.txt"
sleep 1
# Text dragged from another program stays text: it goes into the editor where it is dropped.
drop_at 60 $((height / 2)) --text "dragged words"
sleep 1
drop_at $((width - 60)) 140 "$files/tune.mp3"
# The MP3 is converted (a progress window while it decodes); a box would be the music refused.
sleep 3
wait_window_gone "Decompressing Audio" 30 || fail "the music is still decoding"
! grep "^box " "$report" 2>/dev/null || fail "a box came up"
drop_at $((width / 2)) 8 "$files/notes.pdf"
status=$(wait_report "status " 0) || fail "nothing said why notes.pdf was refused"
[[ "$status" == *notes.pdf* ]] || fail "the refusal does not name the file: $status"
shot dropped

focus "$win"
xdotool key ctrl+s
choose_file "Save Tessavox Project" "$out/dropped.tvx"
for _ in $(seq 100); do
  [[ -s "$out/dropped.tvx" ]] && break
  sleep 0.1
done
[[ -s "$out/dropped.tvx" ]] || fail "Save As wrote nothing"
cli_json "$out/dropped.tvx" >"$out/dropped.json" || fail "tessavox-cli info cannot read the saved project"
python3 - "$out/dropped.json" "$files" <<'EOF' || fail "the saved project lacks what was dropped"
import json, sys
song = json.load(open(sys.argv[1]))
lines = [line["text"] for line in song["lines"]]
assert "first dropped line" in lines, lines
assert any("dragged words" in line for line in lines), "the dragged text is not in the lyrics: %r" % lines
assert not any(sys.argv[2] in line for line in lines), "a path was typed into the lyrics: %r" % lines
assert song["music"].endswith("tune.mp3"), song["music"]
EOF

# A project dropped over a modified song asks first; No keeps nothing of the changes.
focus "$win"
xdotool key x
sleep 1.5
drop_at $((width / 2)) $((height / 2)) "$files/other.tvx"
question=$(wait_window "Confirm Closing Project" 15) || fail "no question about unsaved changes"
focus "$question"
xdotool key n
wait_title "$win" "^Tessavox - other\.tvx" 20 || fail "the dropped project did not open"
cli_json "$out/dropped.tvx" | cmp -s - "$out/dropped.json" || fail "the unsaved letter was written"
shot opened
exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status"
echo "dropped lyrics, music, a refused file and a project: all went their way"
