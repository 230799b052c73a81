#!/usr/bin/env bash
# The MP4 export through the window, on a virtual display, with keys only: File > Export
# Song..., the "MP4 Video (.mp4)" type chosen with the arrow keys, the 1080p size, Export, the
# file's name. Then ffprobe of the video, the remembered choices, and a second export stopped
# with the progress window's Cancel, which must leave nothing.
#
#   scripts/xvfb_export_video.sh [BUILD_DIR] [OUT_DIR]
#
# Exit status 0 when all went so, 1 when not, 77 when Xvfb, xdotool, sox or ffprobe is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/export-video}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox ffprobe sha256sum
xvfb_need_built src/tessavox src/tessavox-cli
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
mkdir -p "$out/tmp" "$out/export" "$out/config"
# A settings folder of its own: the dialog opens on its defaults (BIN).
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"

xvfb_stop_on_exit
xvfb_start

# Twenty seconds of music (a few seconds of work, so that Cancel comes while it runs) and four
# timed lines.
sox -n -r 44100 -b 16 -c 2 "$out/song.wav" synth 20 sine 440 vol 0.2
printf '[00:00.50]One two three\n[00:01.50]Four five six\n[00:02.50]Seven eight nine\n[00:03.50]Ten eleven twelve\n' \
  >"$out/song.lrc"
"$build/src/tessavox-cli" new -o "$out/song.tvx" --music "$out/song.wav" --lyrics "$out/song.lrc" \
  --title "Window Song" --artist "Xvfb Band" >/dev/null
project_digest=$(digest "$out/song.tvx")
music_digest=$(digest "$out/song.wav")

"$build/src/tessavox" --no-splash "$out/song.tvx" >"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "Tessavox - song\\.tvx") || fail "the window did not open (see $out/tessavox.log)"
sleep 0.5
focus "$win"

# The type buttons take the arrow keys: from BIN down to the fourth; Tab to the size list
# (past the disabled audio controls), the second size; Return is Export.
export_dialog() {
  local dialog
  dialog=$(file_menu e "Export Song File") || fail "no Export Song dialog"
  focus "$dialog"
  sleep 0.3
  xdotool key Down Down Down
  sleep 0.2
  shot "dialog-$1"
  xdotool key Tab
  xdotool key "$2"
  sleep 0.2
  xdotool key Return
  choose_file "Export To MP4 Video File" "$out/export/$1"
}

export_dialog song End
wait_window "Exporting Video" >/dev/null || fail "the export did not start"
for _ in $(seq 600); do
  [[ -f "$out/export/song.mp4" ]] && ! xdotool search --onlyvisible --name "Exporting Video" >/dev/null 2>&1 && break
  sleep 0.1
done
wait_window_gone "Exporting Video" 60 || fail "the export did not end"
[[ -f "$out/export/song.mp4" ]] || fail "no song.mp4"
shot exported
probe() { ffprobe -v error -show_entries "$1" -of default=nw=1:nk=1 "$out/export/song.mp4" | tr '\n' ' '; }
video=$(probe stream=codec_name,width,height,r_frame_rate)
echo "song.mp4: $video/ $(probe format_tags=title,artist)"
[[ "$video" == "h264 1920 1080 30/1 aac 0/0 " ]] || fail "the video is \"$video\", not H.264 1920x1080 at 30 fps with AAC"
[[ "$(probe format_tags=title,artist)" == "Window Song Xvfb Band " ]] || fail "title and artist are missing"
grep -q '^ExportType=3$' "$out/config/Kelvane/Tessavox.ini" || fail "the MP4 type is not remembered"
grep -q '^ExportVideoSize=1$' "$out/config/Kelvane/Tessavox.ini" || fail "the 1080p size is not remembered"
echo "remembered: $(grep -E '^ExportVideo|^ExportType' "$out/config/Kelvane/Tessavox.ini" | tr '\n' ' ')"

# A second export stopped with Cancel: nothing of it is left. The dialog now opens on MP4; the
# type keys keep it there.
export_dialog stopped End
progress=$(wait_window "Exporting Video") || fail "the second export did not start"
focus "$progress" 2>/dev/null || true
xdotool key alt+c
wait_window_gone "Exporting Video" 60 || fail "Cancel did not stop the export"
# The dialog goes at the press; the export then stops at its next frame and removes its file
# (a busy machine may take a moment).
for _ in $(seq 100); do
  left=$(ls -A "$out/export" | grep -v '^song\.mp4$' || true)
  [[ -z "$left" ]] && break
  sleep 0.1
done
[[ -z "$left" ]] || fail "the cancelled export left files 10 s after Cancel: $left"
echo "the cancelled export left nothing"

[[ "$(digest "$out/song.tvx")" == "$project_digest" ]] || fail "the project file changed"
[[ "$(digest "$out/song.wav")" == "$music_digest" ]] || fail "the music file changed"
exit_by_menu "$app"
app=
echo "exit status $exit_status"
