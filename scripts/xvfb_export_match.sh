#!/usr/bin/env bash
# The window's exports and the command line's are one export: a song exported as BIN, as a
# zipped MP3+G (with an enhanced LRC file, 192 kbps) and as an MP4 (720p, 30 fps) through the
# window with keys only, then by tessavox-cli export with the same choices, gives the same
# bytes: the BIN file, every member of the ZIP (the archive's own dates aside), and every video
# and audio frame of the MP4 (ffmpeg's framemd5; the container's own dates aside).
#
#   scripts/xvfb_export_match.sh [BUILD_DIR] [OUT_DIR]
#
# Exit status 0 when all went so, 1 when not, 77 when Xvfb, xdotool, sox, unzip or ffmpeg is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/export-match}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox unzip cmp sha256sum ffmpeg
xvfb_need_built src/tessavox src/tessavox-cli
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
mkdir -p "$out/tmp" "$out/window" "$out/cli" "$out/config/Kelvane"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"
# The dialog opens on BIN; the audio choices wait for the MP3+G export (the arrow keys pass WMA+G
# on the way, whose rate the list carries over).
printf '[Settings]\nExportType=0\nExportZip=1\nExportLRC=1\nExportLRCFormat=1\nExportRatioWMA=192\nExportRatioMP3=192\n' \
  >"$out/config/Kelvane/Tessavox.ini"

xvfb_stop_on_exit
xvfb_start

# Twelve seconds of music and four timed lines, one of them sung by both singers.
sox -n -r 44100 -b 16 -c 2 "$out/song.wav" synth 12 sine 330 vol 0.2
printf '[00:00.50]One two three\n[00:02.00]Four five six\n[00:03.50]Seven eight nine\n[00:05.00]Ten eleven twelve\n' \
  >"$out/song.lrc"
"$build/src/tessavox-cli" new -o "$out/song.tvx" --music "$out/song.wav" --lyrics "$out/song.lrc" \
  --title "Match Song" --artist "Both Ways" >/dev/null
project_digest=$(digest "$out/song.tvx")

"$build/src/tessavox" --no-splash "$out/song.tvx" >"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - song\\.tvx") || fail "the window did not open (see $out/tessavox.log)"
sleep 0.5
focus "$win"

# File > Export Song..., the type chosen with the arrow keys from the top one, which has the
# focus whichever type is checked (BIN, WMA+G, MP3+G, MP4), Export, the file's name; then the
# progress window until it has gone.
export_song() {
  local keys=$1 chooser=$2 path=$3 progress=$4 written=$5 dialog
  dialog=$(file_menu e "Export Song File") || fail "no Export Song dialog"
  focus "$dialog"
  sleep 0.3
  [[ -z "$keys" ]] || xdotool key $keys
  sleep 0.2
  xdotool key Return
  choose_file "$chooser" "$path"
  for _ in $(seq 1200); do
    [[ -f "$written" ]] && ! xdotool search --onlyvisible --name "$progress" >/dev/null 2>&1 && break
    sleep 0.1
  done
  wait_window_gone "$progress" 60 || fail "the export to $written did not end"
  [[ -f "$written" ]] || fail "the window wrote no $written"
}
export_song "" "Export To BIN File" "$out/window/song.bin" "Exporting project" "$out/window/song.bin"
export_song "Down Down" "Export To Zipped File" "$out/window/song" "Compressing Audio" "$out/window/song.zip"
export_song "Down Down Down" "Export To MP4 Video File" "$out/window/song" "Exporting Video" "$out/window/song.mp4"
shot exported
exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status"

"$build/src/tessavox-cli" export "$out/song.tvx" -o "$out/cli/song.bin" >"$out/cli-bin.log" 2>&1 ||
  fail "tessavox-cli export to BIN failed: $(cat "$out/cli-bin.log")"
"$build/src/tessavox-cli" export "$out/song.tvx" -o "$out/cli/song.zip" --type mp3g --zip --lrc enhanced --bitrate 192 \
  >"$out/cli-zip.log" 2>&1 || fail "tessavox-cli export to MP3+G failed: $(cat "$out/cli-zip.log")"
"$build/src/tessavox-cli" export "$out/song.tvx" -o "$out/cli/song.mp4" >"$out/cli-mp4.log" 2>&1 ||
  fail "tessavox-cli export to MP4 failed: $(cat "$out/cli-mp4.log")"

cmp "$out/window/song.bin" "$out/cli/song.bin" || fail "the window's BIN differs from the command line's"
echo "song.bin: $(stat -c %s "$out/cli/song.bin") bytes, the same from the window and the command line"
names=$(unzip -Z1 "$out/cli/song.zip" | tr '\n' ' ')
[[ "$names" == "song.mp3 song.cdg song.lrc " ]] || fail "the command line's ZIP holds $names"
[[ "$(unzip -Z1 "$out/window/song.zip" | tr '\n' ' ')" == "$names" ]] || fail "the window's ZIP holds other files"
for member in song.mp3 song.cdg song.lrc; do
  unzip -p "$out/window/song.zip" "$member" >"$out/window/$member"
  unzip -p "$out/cli/song.zip" "$member" >"$out/cli/$member"
  [[ -s "$out/cli/$member" ]] || fail "$member is empty"
  cmp "$out/window/$member" "$out/cli/$member" || fail "$member differs between the window and the command line"
  echo "$member: $(stat -c %s "$out/cli/$member") bytes, the same from the window and the command line"
done
for side in window cli; do
  ffmpeg -v error -i "$out/$side/song.mp4" -map 0 -f framemd5 "$out/$side/song.framemd5" ||
    fail "ffmpeg cannot read the $side's song.mp4"
done
frames=$(grep -vc '^#' "$out/cli/song.framemd5")
((frames > 300)) || fail "the command line's song.mp4 has $frames frames"
cmp "$out/window/song.framemd5" "$out/cli/song.framemd5" || fail "the MP4 frames differ between the window and the command line"
echo "song.mp4: $frames video and audio frames, the same from the window and the command line"
[[ "$(digest "$out/song.tvx")" == "$project_digest" ]] || fail "the project file changed"
