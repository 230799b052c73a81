#!/usr/bin/env bash
# A karaoke maker's day through the real window on a virtual display, driven by X key events
# alone: no clicks, and the window is never given the focus by hand (the program takes it when it
# opens and gets it back after every dialog).
#
#   scripts/xvfb_journey.sh [BUILD_DIR] [OUT_DIR]
#
# File > New (OK on the settings); Add Music (a 12 s MP3 made here); Import Lyrics (a TXT made
# here, from the file chooser it opens); Place Lyrics (Home, a Space per word at planned moments, End);
# Save (the untitled song asks for its name); Adjust Lyrics (Right, ".", Ctrl+","); Settings
# ("&Lines:" to 2, the count-in and the instrumental notice on); Play Final (Space, Right twice,
# Space); Save; Export Song (MP3+G with an enhanced LRC file, zipped, under the name the chooser
# offers); File > Exit. Then the saved song opened again: Settings, the count-in off; Save; Exit.
#
# Then it checks: every placed word against the moment the X server saw its Space (no later than
# TOLERANCE_MS after it, once the music's start-up is taken off; a busy machine may stall the
# device-less output, which then loses that time as a sound card would, so the music may fall
# behind the keys by up to LOST_MS in all, never run ahead), the two moves exactly against the
# project saved before them, the lines per page, the singer guidance (on when saved, and still
# on when opened again: the count-in's key turned it off), the slider moves of Play Final (the music played
# on after each Right), the ZIP's three files and the LRC's words. Screenshots of every step in
# OUT_DIR. Exit status 0 when all hold, 1 when not, 77 when a tool is missing.
# MANUAL_SHOTS=FOLDER also copies the Place and Adjust screenshots there (for docs/manual).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/journey}
source scripts/xvfb_lib.sh
xvfb_require Xvfb xdotool xwd ffmpeg sox unzip
# The system's Python, where Debian's python3-xlib lives.
if ! /usr/bin/python3 -c 'import Xlib' 2>/dev/null; then
  echo "skipped: python3-xlib is not installed (scripts/install-deps.sh installs it)" >&2
  exit 77
fi
xvfb_need_built src/tessavox src/tessavox-cli
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "${out:?}"/*
mkdir -p "$out/tmp" "$out/user" "$out/config/Kelvane"
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp"
export TESSAVOX_PLAY_FINAL_REPORT="$out/play-final.report"
# Auto Save off, so that the song is saved when the user says so; everything else as a new
# user has it.
printf '[Settings]\nAutoSave=0\n' >"$out/config/Kelvane/Tessavox.ini"
# How late a placed word may be against its key, and how much time the music may lose in all
# (the machine may be busy).
tolerance_ms=${TOLERANCE_MS:-60}
lost_ms=${LOST_MS:-500}

xvfb_pid=
app=
recorder=
cleanup() {
  [[ -n "$recorder" ]] && kill "$recorder" 2>/dev/null || true
  [[ -n "$app" ]] && kill -KILL "$app" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  windows_seen
  shot failed
  exit 1
}
step() {
  echo "== $*"
}
# A screenshot of one window (dialogs are windows of their own).
window_shot() {
  xwd -id "$1" -silent >"$out/shot.xwd" 2>/dev/null && ffmpeg -v error -i "$out/shot.xwd" -y "$out/$2.png" || true
  rm -f "$out/shot.xwd"
}
xvfb_start

user="$out/user"
sox -n -r 44100 -b 16 -c 2 "$out/tmp/tone.wav" synth 12 sine 440 vol 0.3
ffmpeg -v error -i "$out/tmp/tone.wav" -codec:a libmp3lame -b:a 128k -y "$user/music.mp3"
rm "$out/tmp/tone.wav"
printf 'one two three four\nfive six seven eight\nnine ten\n' >"$user/words.txt"

# Waits for a window of the program and prints its id; the keys typed next go to it.
dialog() {
  wait_window "$1" "${2:-30}" || fail "no window \"$1\""
}
# Waits until the file exists and differs from the digest given (a save has landed).
wait_written() {
  local _
  for _ in $(seq 300); do
    [[ -s "$1" && "$(digest "$1")" != "${2:-}" ]] && return 0
    sleep 0.1
  done
  fail "nothing was written to $1"
}

"$build/src/tessavox" --no-splash >"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "^Tessavox - Untitled$") || fail "the window did not open (see $out/tessavox.log)"
# The window has the keyboard when the menu answers; give it a moment to map first.
sleep 1
shot 0-started

step "File > New, OK on the song's settings"
xdotool key ctrl+n
settings=$(dialog "Karaoke Song Settings")
sleep 0.5
xdotool key Return
wait_window_gone "Karaoke Song Settings" || fail "the settings stayed open"

step "Add Music: the MP3"
sleep 0.5
xdotool key alt+u
choose_file "Select Music File" "$user/music.mp3"
wait_window_gone "Decompressing Audio" 60 || fail "the MP3 was not decoded"

step "Import Lyrics: the TXT from the file chooser it opens"
sleep 0.5
xdotool key alt+i
choose_file "Select Lyrics File" "$user/words.txt"
sleep 1
shot 1-edit-lyrics

step "Place Lyrics: Home, a Space per word, End"
xdotool key alt+l
sleep 1.5
shot 2-place-ready
# Every key as the X server sees it, with its time.
scripts/record_keys.py >"$out/keys.log" 2>"$out/keys.err" &
recorder=$!
for _ in $(seq 100); do grep -q ready "$out/keys.log" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$out/keys.log" || fail "the key recorder did not start (see $out/keys.err)"
# Seconds after Home (and after the picture halfway); at least half a second apart, so that a
# move of 0.2 s fits between.
spaces() {
  local cmd=() previous=0 at
  [[ "$1" == home ]] && cmd=(keydown --delay 0 Home keyup --delay 0 Home)
  shift
  for at in "$@"; do
    cmd+=(sleep "$(awk "BEGIN{print $at - $previous}")" keydown --delay 0 space keyup --delay 0 space)
    previous=$at
  done
  xdotool "${cmd[@]}" sleep 0.3
}
plan=(1.0 1.6 2.2 2.9 3.5 4.1 4.8 5.4 6.0 6.7)
spaces home "${plan[@]:0:5}"
# A picture halfway for the manual (taking it is work for a busy machine: only when asked).
[[ -n "${MANUAL_SHOTS:-}" ]] && window_shot "$win" 3-placing
spaces more 0.4 1.1 1.7 2.3 3.0
shot 3-placed
xdotool key End
sleep 0.5
kill "$recorder" 2>/dev/null || true
recorder=
shot 4-placed

step "Save: the untitled song asks for its name"
xdotool key ctrl+s
choose_file "Save Tessavox Project" "$user/song.tvx"
wait_written "$user/song.tvx"
cp "$user/song.tvx" "$out/placed.tvx"
placed_digest=$(digest "$user/song.tvx")

step "Adjust Lyrics: Right, \".\", Ctrl+\",\""
xdotool key alt+a
sleep 1.5
xdotool key Right
sleep 0.3
xdotool key period
sleep 0.3
xdotool key ctrl+comma
sleep 0.5
shot 5-adjusted
window_shot "$win" 5-adjusted-window

step "Settings: Lines 2, count-in and instrumental notice on"
xdotool key alt+s
settings=$(dialog "Karaoke Song Settings")
sleep 0.5
xdotool key alt+l
xdotool key 2
xdotool key alt+i alt+n
sleep 0.3
window_shot "$settings" 6-settings
xdotool key Return
wait_window_gone "Karaoke Song Settings" || fail "the settings stayed open"

step "Play Final: Space, Right twice while it plays, Space"
sleep 0.5
xdotool key alt+p
sleep 2
xdotool key space
sleep 1.5
xdotool key Right
sleep 0.7
xdotool key Right
sleep 1
shot 7-playing
xdotool key space
sleep 0.5

step "Save"
xdotool key ctrl+s
wait_written "$user/song.tvx" "$placed_digest"
"$build/src/tessavox-cli" info "$user/song.tvx" --json >"$out/final.json"
"$build/src/tessavox-cli" info "$out/placed.tvx" --json >"$out/placed.json"

step "Export Song: MP3+G, enhanced LRC, zipped, under the offered name"
xdotool key alt+f
sleep 0.5
xdotool key e
export_dialog=$(dialog "Export Song File")
sleep 0.5
xdotool key alt+a
xdotool type --delay 10 "Journey Band"
xdotool key alt+t
xdotool type --delay 10 "Evening Song"
# Back to the type buttons (before "&Artist:" the first enabled control is the BIN button):
# MP3+G, then the LRC box and (past the formats and the Windows-1252 box) the zip box.
xdotool key alt+a shift+Tab Down Down
sleep 0.3
xdotool key Tab Tab space Tab Tab Tab space
sleep 0.3
window_shot "$export_dialog" 8-export-choices
xdotool key Return
chooser=$(dialog "Export To Zipped File")
sleep 0.5
window_shot "$chooser" 9-export-name
xdotool key Return
zip="$user/Journey Band - Evening Song.zip"
for _ in $(seq 600); do
  entries=$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' '|') || true
  [[ $(grep -o '|' <<<"$entries" | wc -l) -eq 3 ]] && break
  sleep 0.1
done
wait_window_gone "Compressing Audio" 60 || fail "the export's progress window stays"
sleep 1
shot 10-exported

step "File > Exit"
exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status (see $out/tessavox.log)"

step "Open the song again: Settings, the count-in off; Save; Exit"
saved_digest=$(digest "$user/song.tvx")
"$build/src/tessavox" --no-splash "$user/song.tvx" >>"$out/tessavox.log" 2>&1 &
app=$!
win=$(wait_window "^Tessavox - song") || fail "the window did not open the song again (see $out/tessavox.log)"
sleep 1
xdotool key alt+s
settings=$(dialog "Karaoke Song Settings")
sleep 0.5
xdotool key alt+i
sleep 0.3
window_shot "$settings" 11-settings-reopened
xdotool key Return
wait_window_gone "Karaoke Song Settings" || fail "the settings stayed open"
xdotool key ctrl+s
wait_written "$user/song.tvx" "$saved_digest"
"$build/src/tessavox-cli" info "$user/song.tvx" --json >"$out/reopened.json"
exit_by_menu "$app"
app=
[[ "$exit_status" == 0 ]] || fail "the window ended with $exit_status (see $out/tessavox.log)"

if [[ -n "${MANUAL_SHOTS:-}" ]]; then
  cp "$out/3-placing.png" "$MANUAL_SHOTS/place-lyrics.png"
  cp "$out/5-adjusted-window.png" "$MANUAL_SHOTS/adjust-lyrics.png"
fi

mkdir -p "$out/zip"
unzip -q -o "$zip" -d "$out/zip" || fail "no ZIP at $zip"
/usr/bin/python3 - "$out" "$tolerance_ms" "${#plan[@]}" "$lost_ms" <<'PY'
import json, os, sys

out, tolerance, planned, allowed_loss = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
problems = []
def check(ok, text):
    print(("ok      " if ok else "FAILED  ") + text)
    if not ok:
        problems.append(text)

# Key moments as the X server saw them.
home, presses = None, []
for line in open(os.path.join(out, "keys.log")):
    parts = line.split()
    if len(parts) == 3 and parts[0] == "press":
        if parts[1] == "Home" and home is None:
            home = int(parts[2])
        elif parts[1] == "space" and home is not None:
            presses.append(int(parts[2]))
check(home is not None and len(presses) == planned, f"the recorder saw Home and {len(presses)} of {planned} Spaces")

def words(name):
    song = json.load(open(os.path.join(out, name)))
    return song, [(w["start"], w["end"]) for line in song["lines"] for w in line["words"]]

placed_song, placed = words("placed.json")
final_song, final = words("final.json")
check(len(placed) == planned, f"{len(placed)} words, one per Space")

# Each placed word against its key. The offset (music time less the key's time after Home) is the
# music's start-up, plus what the window took to see the key (a word placed late), less what the
# music lost when the output stalled (from then on every word is earlier). So each word may be
# late against the least offset so far by the tolerance, and the least offset may fall, in all,
# by the time the music is allowed to lose.
if home is not None and len(presses) == len(placed) == planned:
    offsets = [p[0] / 44.1 - (t - home) for p, t in zip(placed, presses)]
    least = offsets[0]
    for i, o in enumerate(offsets):
        least = min(least, o)
        check(o - least <= tolerance,
              f"word {i} placed {o - least:+.1f} ms after its key (limit {tolerance:.0f})")
    lost = offsets[0] - min(offsets)
    late = max(o - min(offsets[: i + 1]) for i, o in enumerate(offsets))
    print(f"        the music started {-offsets[0]:.1f} ms after Home; the latest word {late:.1f} ms"
          f" after its key; the music lost {lost:.1f} ms")
    check(lost <= allowed_loss, f"the music lost {lost:.1f} ms against the keys (limit {allowed_loss:.0f})")
    check(all(placed[i][1] == placed[i + 1][0] for i in range(planned - 1)),
          "each word ends where the next begins")
    check(placed[-1][1] - placed[-1][0] == 44100, "the last word, open at End, lasts one second")

# Right, "." and Ctrl+",": the second word starts 8,820 samples (0.2 s) later, the first still
# ends where it starts, the second ends 8,820 earlier; nothing else moved.
if len(placed) == len(final) == planned:
    expected = list(placed)
    expected[1] = (placed[1][0] + 8820, placed[1][1] - 8820)
    expected[0] = (placed[0][0], placed[1][0] + 8820)
    for i, (e, f) in enumerate(zip(expected, final)):
        check(e == f, f"word {i} after the moves: {f} (expected {e})")
check(final_song["linesPerPage"] == 2, f"lines per page {final_song['linesPerPage']} (expected 2)")
check(placed_song["linesPerPage"] != 2, "the lines per page changed in Settings, not before")
guidance = final_song["guidance"]
check(guidance["countIn"] and guidance["notice"] and final_song["version"] == 800,
      f"the count-in and the notice were saved on (file version {final_song['version']}, {guidance})")
reopened = json.load(open(os.path.join(out, "reopened.json")))["guidance"]
check(not reopened["countIn"] and reopened["notice"],
      f"opened again, Settings showed both on: its key turned the count-in off ({reopened})")

# Play Final: each Right stopped the music at the clock (a report line), moved it one second on,
# and the music played on, so the final Space stopped it once more.
report = [l.split() for l in open(os.path.join(out, "play-final.report"))]
clocks = [int(r[1]) for r in report]
check(len(clocks) == 3, f"{len(clocks)} stops in Play Final (two Rights and the last Space: 3)")
if len(clocks) == 3:
    check(clocks[1] - clocks[0] >= 44100 and clocks[2] - clocks[1] >= 44100,
          f"after each Right the music went on from a second later: stops at {clocks}")

# The ZIP: the music, the CD+G stream and the LRC file under the offered name.
names = sorted(os.listdir(os.path.join(out, "zip")))
base = "Journey Band - Evening Song"
check(names == [base + ".cdg", base + ".lrc", base + ".mp3"], f"the ZIP holds {names}")
if base + ".cdg" in names:
    size = os.path.getsize(os.path.join(out, "zip", base + ".cdg"))
    check(size > 0 and size % 24 == 0, f"the .cdg holds whole packets ({size} bytes)")
if base + ".lrc" in names:
    lrc = open(os.path.join(out, "zip", base + ".lrc"), encoding="cp1252").read()
    sung = ["one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"]
    check(all(f">{w} " in lrc or f">{w}<" in lrc or f"]{w} " in lrc for w in sung), "the LRC names every word")
    check("<" in lrc, "the LRC is enhanced (a time before every word)")
sys.exit(1 if problems else 0)
PY
echo "the day's work is in the project and the ZIP as the keys made it"
