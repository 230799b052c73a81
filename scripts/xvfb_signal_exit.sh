#!/usr/bin/env bash
# Signals to the window program, on a virtual display: SIGTERM during an export, SIGHUP while
# Play Final plays and SIGINT with unsaved changes each end it at once with 128 + the signal's
# number, without a box, leaving no part of the export behind.
#
#   scripts/xvfb_signal_exit.sh [BUILD_DIR] [OUT_DIR]
#
# The export is an MP3+G zip of the demo song's lyrics over 8 minutes of music (several seconds
# of work, so the signal comes while it runs); afterwards the export folder must be empty and
# the temporary folder must hold no export pieces. Exit status 0 when all went so, 1 when not,
# 77 when Xvfb, xdotool or sox is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/signal-exit}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sox sha256sum
xvfb_need_built src/tessavox scripts/make_demo_song
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
mkdir -p "$out/tmp" "$out/export" "$out/config/Kelvane"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"
# The export dialog opens on MP3+G, zipped.
printf '[Settings]\nExportType=2\nExportZip=1\n' >"$out/config/Kelvane/Tessavox.ini"

xvfb_pid=
app=
cleanup() {
  [[ -n "$app" ]] && kill -KILL "$app" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$out/song.wav" # 80 MB of tone
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  windows_seen
  shot failed
  exit 1
}
xvfb_start

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/song.tvx" "$out/song.wav" >/dev/null
sox -n -r 44100 -b 16 -c 2 "$out/song.wav" synth 480 sine 440 vol 0.2
project_digest=$(digest "$out/song.tvx")

start_app() {
  "$build/src/tessavox" --no-splash "$out/song.tvx" >"$out/$1.log" 2>&1 &
  app=$!
  win=$(wait_window "Tessavox - song\\.tvx") || fail "the window did not open (see $out/$1.log)"
  sleep 0.5
  focus "$win"
}

# Sends the signal and checks the status the program ends with.
signal_and_expect() {
  local signal=$1 expected=$2 what=$3
  kill "-$signal" "$app"
  wait_exit "$app" 30
  app=
  [[ "$exit_status" == "$expected" ]] || fail "SIG$signal $what: exit status $exit_status, not $expected"
  # The shell gives the same status to a process the signal killed; one that ended its event
  # loop and returned has closed its single-instance socket.
  local sockets
  sockets=$(find "$out/runtime" "$out/tmp" -type s)
  [[ -z "$sockets" ]] || fail "SIG$signal $what: the program did not end by itself (its socket $sockets is left)"
  echo "SIG$signal $what: exit status $exit_status, ended by itself"
}

# SIGTERM while the export runs: File > Export Song..., Export, the zip's name, Return.
start_app export
dialog=$(file_menu e "Export Song File") || fail "no Export Song dialog"
focus "$dialog"
xdotool key Return
choose_file "Export To Zipped File" "$out/export/song.zip"
wait_window "Compressing Audio" >/dev/null || fail "the export did not start"
shot exporting
signal_and_expect TERM 143 "during the export"
left=$(ls -A "$out/export")
[[ -z "$left" ]] || fail "the cancelled export left files in its folder: $left"
pieces=$(find "$out/tmp" -name 'tessavox-export-*' | head -5)
[[ -z "$pieces" ]] || fail "the cancelled export left its pieces: $pieces"
echo "nothing of the export is left"

# SIGHUP while Play Final plays.
start_app play
xdotool key alt+p
sleep 1
xdotool key space
sleep 1
shot playing
signal_and_expect HUP 129 "while playing"

# SIGINT with unsaved changes: no question, nothing saved.
start_app edit
xdotool type --delay 20 "x"
sleep 0.5
signal_and_expect INT 130 "with unsaved changes"
[[ "$(digest "$out/song.tvx")" == "$project_digest" ]] || fail "the project was written"
echo "the project is as it was"
