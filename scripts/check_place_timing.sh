#!/usr/bin/env bash
# Times the demo song as a user would, on a virtual display, and checks the word times that the
# saved project holds against the moments the keys went down.
#
#   scripts/check_place_timing.sh [BUILD_DIR] [OUT_DIR]
#
# Uses Xvfb on display :78 (started here unless one is running there), xdotool to type,
# scripts/record_keys.py (python3-xlib) for the moments the X server saw each key, and xwd plus
# ffmpeg for screenshots of each view. Music plays through the null output, so no sound
# card is needed. Exit status 0 when every word is within 20 ms of its key.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/place-timing}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export DISPLAY=:78 TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out"
tolerance_ms=20

xvfb_pid=
app_pid=
recorder_pid=
cleanup() {
  [[ -n "$recorder_pid" ]] && kill "$recorder_pid" 2>/dev/null || true
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  Xvfb :78 -screen 0 1024x768x24 -nolisten tcp -noreset >"$out/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
fi

shot() { # window-id file
  xwd -id "$1" -silent >"$out/shot.xwd" && ffmpeg -y -loglevel error -i "$out/shot.xwd" "$out/$2" && rm -f "$out/shot.xwd"
}

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/twinkle.tvx" "$out/twinkle.wav" >/dev/null
"$build/src/tessavox" --no-splash "$out/twinkle.tvx" >"$out/tessavox.log" 2>&1 &
app_pid=$!
win=$(xdotool search --sync --name "Tessavox - twinkle.tvx" | head -1)
sleep 1
xdotool windowfocus --sync "$win"
shot "$win" edit-lyrics.png

# Place Lyrics (Alt+L); the demo song is placed already, so the shell asks first: Yes.
xdotool key alt+l
question=$(xdotool search --sync --name "Confirm Overwriting Placed Lyrics" | head -1)
xdotool windowfocus --sync "$question"
xdotool key Return
sleep 1
xdotool windowfocus --sync "$win"
shot "$win" place-lyrics-ready.png

# Every key as the X server sees it, with its time.
scripts/record_keys.py >"$out/keys.log" 2>"$out/keys.err" &
recorder_pid=$!
for _ in $(seq 50); do grep -q ready "$out/keys.log" 2>/dev/null && break; sleep 0.1; done

# Home, then Space at planned moments (seconds after Home): a quick run, a held key, a pause.
plan=(1.500 2.100 2.500 2.750 3.000 3.125 3.250 3.375 3.500 4.200 4.700 5.300 5.800)
held=9     # the tenth press is held for half a second
paused=11  # Ctrl 0.2 s before the twelfth press
cmd=(keydown --delay 0 Home keyup --delay 0 Home)
previous=0
for i in "${!plan[@]}"; do
  at=${plan[$i]}
  if [[ $i -eq $paused ]]; then
    cmd+=(sleep "$(awk "BEGIN{print $at - 0.2 - $previous}")" keydown --delay 0 Control_L keyup --delay 0 Control_L sleep 0.2)
  else
    cmd+=(sleep "$(awk "BEGIN{print $at - $previous}")")
  fi
  if [[ $i -eq $held ]]; then
    cmd+=(keydown --delay 0 space sleep 0.5 keyup --delay 0 space)
    previous=$(awk "BEGIN{print $at + 0.5}")
  else
    cmd+=(keydown --delay 0 space keyup --delay 0 space)
    previous=$at
  fi
done
cmd+=(sleep 0.3)
xdotool "${cmd[@]}"
shot "$win" place-lyrics-placing.png
xdotool key End
sleep 0.5
shot "$win" place-lyrics-finished.png
xdotool key ctrl+s
sleep 1
kill "$recorder_pid" 2>/dev/null || true

"$build/src/tessavox-cli" info "$out/twinkle.tvx" --json >"$out/placed.json"
"$build/src/tessavox-cli" info data/demo/twinkle.tvx --json >"$out/before.json"
/usr/bin/python3 - "$out/keys.log" "$out/placed.json" "$out/before.json" "$tolerance_ms" <<'PY'
import json, sys

keys_log, placed_json, before_json, tolerance = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
home = None
presses = []   # server times of Space going down; a held key's repeats are not new presses
down = False
for line in open(keys_log):
    parts = line.split()
    if len(parts) != 3:
        continue
    kind, name, time = parts[0], parts[1], int(parts[2])
    if name == "Home" and kind == "press" and home is None:
        home = time
    if name == "space":
        if kind == "press" and not down:
            presses.append(time)
        down = kind == "press"
        if kind == "release":
            down = False


def starts(path):
    song = json.load(open(path))
    return [w["start"] for line in song["lines"] for w in line["words"]]


placed = starts(placed_json)
before = starts(before_json)
status = 0
print("word  key (ms after Home)  placed (ms of music)  error (ms)")
offset = placed[0] / 44.1 - (presses[0] - home)
worst = 0.0
for i, t in enumerate(presses):
    key_ms = t - home
    placed_ms = placed[i] / 44.1
    error = placed_ms - key_ms - offset
    worst = max(worst, abs(error))
    print(f"{i:4d}  {key_ms:10.1f}  {placed_ms:12.1f}  {error:8.1f}")
    if abs(error) > tolerance:
        status = 1
print(f"{len(presses)} presses; the music started {-offset:.1f} ms after Home went down;"
      f" worst error {worst:.1f} ms against the first word (limit {tolerance:.0f} ms)")
if placed[len(presses)] != before[len(presses)]:
    print(f"word {len(presses)} was placed too: a press counted twice")
    status = 1
if len(presses) < 13:
    print("fewer presses were seen than were sent")
    status = 1
sys.exit(status)
PY
