#!/usr/bin/env bash
# A second start of the program while a window runs, with two real processes on a virtual
# display: the second hands its project to the first and exits 0; the first survives, asks
# about its unsaved changes, opens the project and later closes normally.
#
#   scripts/xvfb_second_start.sh [BUILD_DIR] [OUT_DIR]
#
# Steps: `tessavox a.tvx`; `tessavox b.tvx` (the window becomes "Tessavox - b.tvx"); a letter
# typed into the lyrics, then `tessavox a.tvx` (the unsaved-changes question, answered No, and
# the window becomes "Tessavox - a.tvx"); `tessavox` with no project (the window only comes to
# the front); File > Exit. Exit status 0 when all went so, 1 when not, 77 when Xvfb or xdotool
# is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/second-start}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool sha256sum
xvfb_need_built src/tessavox scripts/make_demo_song
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
# A settings folder and a temporary folder of this run's own; the single-instance socket lives in
# the runtime folder xvfb_start makes, and is named after the display, so another running
# Tessavox is not reached.
mkdir -p "$out/tmp"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"

xvfb_pid=
first=
cleanup() {
  [[ -n "$first" ]] && kill -KILL "$first" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
xvfb_start

for name in a b; do
  "$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/$name.tvx" "$out/$name.wav" >/dev/null
done
a_digest=$(digest "$out/a.tvx")

fail() {
  echo "FAILED: $*" >&2
  if [[ -n "$first" ]] && ! kill -0 "$first" 2>/dev/null; then
    echo "the first window's process is gone; the end of its log:" >&2
    tail -n 30 "$out/first.log" >&2 || true
  fi
  windows_seen
  shot failed
  exit 1
}

# Starts a second process with its arguments and checks that it exits 0 while the first runs.
second_start() {
  "$build/src/tessavox" --no-splash "$@" >>"$out/second.log" 2>&1 &
  wait_exit $! 30
  [[ "$exit_status" == 0 ]] || fail "the second start ($*) ended with $exit_status (see $out/second.log)"
  kill -0 "$first" 2>/dev/null || fail "the first window died when the second start ($*) came"
}

"$build/src/tessavox" --no-splash "$out/a.tvx" >"$out/first.log" 2>&1 &
first=$!
win=$(wait_window "Tessavox - a\\.tvx") || fail "the first window did not open (see $out/first.log)"
sleep 0.5
focus "$win"

second_start "$out/b.tvx"
wait_title "$win" "^Tessavox - b\\.tvx$" || fail "the first window did not open b.tvx"
echo "a second start opened b.tvx in the running window"

# Unsaved changes: the running window asks before it opens the next project.
focus "$win"
xdotool type --delay 20 "x"
second_start "$out/a.tvx"
question=$(wait_window "Confirm Closing Project") || fail "no unsaved-changes question"
shot question
focus "$question"
xdotool key n
wait_title "$win" "^Tessavox - a\\.tvx$" || fail "the first window did not open a.tvx after the question"
echo "with unsaved changes it asked first, then opened a.tvx"

# No project: the window only comes to the front.
second_start
sleep 1
wait_title "$win" "^Tessavox - a\\.tvx$" 2 || fail "a start without a project changed the window"
echo "a start without a project left the window as it was"

# File > Exit: the first process ends normally.
exit_by_menu "$first"
first_status=$exit_status
first=
[[ "$first_status" == 0 ]] || fail "the first window ended with $first_status (see $out/first.log)"
[[ "$(digest "$out/a.tvx")" == "$a_digest" ]] || fail "a.tvx was written although nothing was saved"
echo "the first window closed with status 0; a.tvx is as it was"
