#!/usr/bin/env bash
# The user's files are read-only, checked through the window as a user works, on a virtual
# display with real key events: every flow that touches the music, then the SHA-256 of every
# input file.
#
#   scripts/xvfb_read_only.sh [BUILD_DIR] [OUT_DIR]
#
# Inputs (made here): a WAV tone and an MP3 of another tone (sox, ffmpeg), the lyrics as a TXT
# file, and a project naming the WAV and the TXT's lyrics (tessavox-cli new). Auto Save stays on.
#  1. The project opens with the WAV; Place Lyrics (Alt+L, Home, Space on every word, End);
#     Adjust Lyrics (Alt+A, "." and ","); Play Final (Alt+P, Space, 2 s, Space); Export Song:
#     MP3+G zipped into the export folder.
#  2. Edit Lyrics (Alt+D), Add Music (Alt+U) with the MP3, Save (Ctrl+S); Open (Ctrl+O) that
#     project again, now with MP3 music; Play Final; Export Song again; File > Exit.
# Every chooser is the real file dialog, answered by typing the path and Return.
# Then: the WAV, the MP3 and the TXT must be byte for byte as made, and so must the project as
# the user last saved it. Exit status 0 when they are, 1 when a file changed (each named) or a
# step failed, 77 when a tool is missing. Screenshots of each step in OUT_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/read-only}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool xwd sox ffmpeg unzip sha256sum
xvfb_need_built src/tessavox src/tessavox-cli
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
mkdir -p "$out/tmp" "$out/user" "$out/export" "$out/config/Kelvane"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"
# Auto Save on (as by default), and the export dialog opens on MP3+G, zipped.
printf '[Settings]\nAutoSave=8\nExportType=2\nExportZip=1\n' >"$out/config/Kelvane/Tessavox.ini"

xvfb_stop_on_exit
step() {
  echo "== $*"
}
xvfb_start

# The user's files. The WAV is shorter than the finished song's stream, which the export and
# Play Final must make up for without writing to it.
user="$out/user"
sox -n -r 44100 -b 16 -c 2 "$user/music.wav" synth 7 sine 440 vol 0.3
sox -n -r 44100 -b 16 -c 2 "$out/tmp/tone.wav" synth 7 sine 330 vol 0.3
ffmpeg -v error -i "$out/tmp/tone.wav" -codec:a libmp3lame -b:a 128k -y "$user/music.mp3"
printf 'one two three\nfour five six\n' >"$user/words.txt"
"$build/src/tessavox-cli" new -o "$user/song.tvx" --music "$user/music.wav" --lyrics "$user/words.txt" >/dev/null
inputs=(music.wav music.mp3 words.txt)
declare -A before
for name in "${inputs[@]}"; do before[$name]=$(digest "$user/$name"); done


# File > Export Song..., Export, the zip's name; waits until the zip is complete.
export_zip() {
  local dialog
  dialog=$(file_menu e "Export Song File") || fail "no Export Song dialog"
  focus "$dialog"
  xdotool key Return
  choose_file "Export To Zipped File" "$1"
  local _ entries=
  for _ in $(seq 300); do
    entries=$(unzip -Z1 "$1" 2>/dev/null | sed 's/.*\.//' | sort | tr '\n' ' ') || true
    [[ "$entries" == "cdg mp3 " ]] && break
    sleep 0.1
  done
  [[ "$entries" == "cdg mp3 " ]] || fail "the export wrote no zip with an .mp3 and a .cdg at $1"
  wait_window_gone "Compressing Audio" || fail "the export's progress window stays"
}

play_final() {
  focus "$win"
  xdotool key alt+p
  sleep 1
  xdotool key space
  sleep 2
  shot "$1"
  xdotool key space
  sleep 0.5
}

"$build/src/tessavox" --no-splash "$user/song.tvx" >"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - song\\.tvx") || fail "the window did not open (see $out/tessavox.log)"
sleep 0.5
focus "$win"
shot 1-opened

step "Place Lyrics: Home, Space on each of the six words, End"
xdotool key alt+l
sleep 1
focus "$win"
xdotool key Home
sleep 0.5
for _ in 1 2 3 4 5 6; do
  sleep 0.4
  xdotool key space
done
sleep 0.5
xdotool key End
sleep 0.5
shot 2-placed

step "Adjust Lyrics: . . , ."
xdotool key alt+a
sleep 1
focus "$win"
xdotool key --delay 100 period period comma period
sleep 0.5
shot 3-adjusted

step "Play Final"
play_final 4-playing

step "Export Song: MP3+G zipped"
export_zip "$out/export/with-wav.zip"
shot 5-exported

step "Add Music: the MP3"
focus "$win"
xdotool key alt+d
notice=$(wait_window "Lyrics Already Placed") || fail "no notice on the way back to Edit Lyrics"
focus "$notice"
xdotool key Return
wait_window_gone "Lyrics Already Placed" || fail "the notice did not close"
focus "$win"
sleep 0.5
xdotool key alt+u
choose_file "Select Music File" "$user/music.mp3"
wait_window_gone "Decompressing Audio" || fail "the MP3 was not decoded"
sleep 1
shot 6-mp3-added

step "Save, then Open the project with its MP3 music"
focus "$win"
auto_saved=$(digest "$user/song.tvx")
xdotool key ctrl+s
for _ in $(seq 300); do
  [[ "$(digest "$user/song.tvx")" != "$auto_saved" ]] && break
  sleep 0.1
done
saved=$(digest "$user/song.tvx")
[[ "$saved" != "$auto_saved" ]] || fail "Save did not write the project with its new music"
xdotool key ctrl+o
choose_file "Open Tessavox Project" "$user/song.tvx"
wait_window_gone "Decompressing Audio" || fail "the MP3 of the reopened project was not decoded"
sleep 1
shot 7-reopened

step "Play Final"
play_final 8-playing-mp3

step "Export Song: MP3+G zipped"
export_zip "$out/export/with-mp3.zip"

step "File > Exit"
# Nothing was changed since the project was opened; should the window ask, the answer is No.
exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status (see $out/tessavox.log)"

changed=()
for name in "${inputs[@]}"; do
  after=$(digest "$user/$name")
  if [[ "$after" == "${before[$name]}" ]]; then
    echo "unchanged: $name"
  else
    echo "CHANGED: $name (sha256 ${before[$name]} before, $after after)" >&2
    changed+=("$name")
  fi
done
if [[ "$(digest "$user/song.tvx")" == "$saved" ]]; then
  echo "unchanged since the user saved it: song.tvx"
else
  echo "CHANGED: song.tvx was written after the user last saved it" >&2
  changed+=(song.tvx)
fi
if [[ ${#changed[@]} -gt 0 ]]; then
  echo "FAILED: the window wrote to the user's files: ${changed[*]}" >&2
  exit 1
fi
echo "every input file is as it was"
