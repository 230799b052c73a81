#!/usr/bin/env bash
# Plays the demo song in Play Final as a user would, on a virtual display, and checks the screen
# it stops on against the command-line renderer at the same clock.
#
#   scripts/xvfb_play_final.sh [BUILD_DIR] [OUT_DIR]
#
# Opens the demo song in the window (music through the null output), switches to Play Final
# (Alt+P), moves the slider START_SECONDS (12 by default) into the song with the Right key (one
# second a press), plays for PLAY_SECONDS (5 by default) with Space and pauses with Space. The view
# names the clock it stopped at and where its screen lies (TESSAVOX_PLAY_FINAL_REPORT); the
# script takes a screenshot of that area (xwd), builds the song's stream with tessavox-cli
# stream, renders it with tessavox-cli render at the same clock and compares: every screen pixel
# whose centre lies well inside one frame pixel (the middle fifth of it across and down, where
# the screen's smoothing of a size that is no whole multiple cannot reach) must show that frame
# pixel's colour exactly, and every pixel clear of the visible area the border's. Prints the
# share of differing pixels among those; exit status 0 when it is at most TOLERANCE (0 by
# default: every one must agree), 1 when more, 77 when a tool is missing (nothing checked).
# Pictures for a human: viewer.png (the screenshot), expected.png (the render at that size, each
# pixel the frame pixel its centre falls in) and differences.png (differing pixels in white,
# pixels not compared in grey) in OUT_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
out=${2:-$build/play-final}
start_seconds=${START_SECONDS:-12}
play_seconds=${PLAY_SECONDS:-5}
tolerance=${TOLERANCE:-0}

for tool in Xvfb xdotool xwd ffmpeg python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (apt-get install xvfb xdotool x11-apps ffmpeg python3)" >&2
    exit 77
  fi
done
for program in src/tessavox src/tessavox-cli scripts/make_demo_song; do
  [[ -x "$build/$program" ]] || { echo "missing: $build/$program (build it first)" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/stops.txt" "$out/display" "$out"/*.png "$out"/*.rgb
# A settings folder, a temporary folder (the single-instance socket lives there) and a report
# file of this run's own.
export TESSAVOX_AUDIO=null XDG_CONFIG_HOME="$out/config" TMPDIR="$out" TESSAVOX_PLAY_FINAL_REPORT="$out/stops.txt"

xvfb_pid=
app_pid=
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A display of our own, started the way every window check starts it.
source scripts/xvfb_lib.sh
xvfb_start

"$build/scripts/make_demo_song" data/demo/twinkle.txt "$out/twinkle.tvx" "$out/twinkle.wav" >/dev/null
"$build/src/tessavox" --no-splash "$out/twinkle.tvx" >"$out/tessavox.log" 2>&1 &
app_pid=$!
win=$(timeout 30 xdotool search --sync --name "Tessavox - twinkle.tvx" | head -1)
[[ -n "$win" ]] || { echo "the window did not open (see $out/tessavox.log)" >&2; exit 1; }
sleep 1
xdotool windowfocus --sync "$win"

# Play Final, the slider some seconds in, then Space to play and Space to pause.
xdotool key alt+p
sleep 1
if [[ $start_seconds -gt 0 ]]; then xdotool key --repeat "$start_seconds" --delay 20 Right; fi
sleep 0.3
xdotool key space
sleep "$play_seconds"
xdotool key space
for _ in $(seq 100); do [[ -s "$out/stops.txt" ]] && break; sleep 0.05; done
if [[ ! -s "$out/stops.txt" ]]; then
  xwd -root -silent >"$out/root.xwd" && ffmpeg -v error -i "$out/root.xwd" -y "$out/window.png" || true
  echo "Play Final reported no stop (is it the view on screen? see $out/window.png)" >&2
  exit 1
fi
sleep 0.5 # the repaint of the screen
xwd -root -silent >"$out/root.xwd"
read -r _ clock _ packets _ x y w h < <(tail -1 "$out/stops.txt")
ffmpeg -v error -i "$out/root.xwd" -vf "crop=$w:$h:$x:$y" -y "$out/viewer.png"
ffmpeg -v error -i "$out/viewer.png" -f rawvideo -pix_fmt rgb24 -y "$out/viewer.rgb"
rm -f "$out/root.xwd"

# The same stream from the command line, rendered at the same clock: --at in whole
# microseconds, rounded up so that it reads back as the same sample frame.
"$build/src/tessavox-cli" stream "$out/twinkle.tvx" -o "$out/twinkle.cdg" --force >/dev/null
at=$(python3 -c "m = ($clock * 1000000 + 44099) // 44100; print(f'{m // 1000000}.{m % 1000000:06d}')")
"$build/src/tessavox-cli" render "$out/twinkle.cdg" --at "$at" -o "$out/render.png" --force
ffmpeg -v error -i "$out/render.png" -f rawvideo -pix_fmt rgb24 -y "$out/render.rgb"

echo "stopped at clock $clock (${at} s), $packets packets shown; the screen is ${w}x${h} at ($x, $y)"
status=0
python3 - "$out" "$w" "$h" "$tolerance" <<'PY' || status=$?
import sys

out, w, h, tolerance = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
FW, FH = 300, 216                      # the frame
VL, VT, VR, VB = 6, 12, 294, 204       # its visible area; the rest shows the border colour
viewer = open(f"{out}/viewer.rgb", "rb").read()
frame = open(f"{out}/render.rgb", "rb").read()
if len(viewer) != w * h * 3 or len(frame) != FW * FH * 3:
    print("unexpected picture sizes")
    sys.exit(1)


def pixel(data, width, x, y):
    i = (y * width + x) * 3
    return data[i:i + 3]


# The screen's scaling: the visible area maps edge by edge onto the window, outside it the
# border colour. A pixel is compared where its centre sits in the middle of one frame pixel.
left, top, right, bottom = VL * w / FW, VT * h / FH, VR * w / FW, VB * h / FH
border = pixel(frame, FW, 0, 0)
expected = bytearray()
differences = bytearray()
count = checked = 0
for y in range(h):
    v = (y + 0.5) * FH / h
    for x in range(w):
        u = (x + 0.5) * FW / w
        inside = VL <= u < VR and VT <= v < VB
        if inside:
            want = pixel(frame, FW, int(u), int(v))
            compared = 0.4 <= u % 1 <= 0.6 and 0.4 <= v % 1 <= 0.6
        else:
            want = border
            compared = x + 1 < left - 1 or x > right + 1 or y + 1 < top - 1 or y > bottom + 1
        expected += want
        got = viewer[(y * w + x) * 3:(y * w + x) * 3 + 3]
        if not compared:
            differences += b"\x80\x80\x80"
            continue
        checked += 1
        same = got == want
        count += not same
        differences += b"\x00\x00\x00" if same else b"\xff\xff\xff"
open(f"{out}/expected.rgb", "wb").write(expected)
open(f"{out}/differences.rgb", "wb").write(differences)
colours = {viewer[i:i + 3] for i in range(0, len(viewer), 3)}
share = count / max(1, checked)
print(f"differing pixels: {count} of {checked} compared ({share:.4%}); the screen shows {len(colours)} colours")
if len(colours) < 3:
    print("the screen shows next to nothing: the comparison would prove little")
    sys.exit(1)
sys.exit(0 if share <= tolerance else 1)
PY
for picture in expected differences; do
  ffmpeg -v error -f rawvideo -pix_fmt rgb24 -video_size "${w}x${h}" -i "$out/$picture.rgb" -y "$out/$picture.png"
done
rm -f "$out"/*.rgb
if [[ $status -eq 0 ]]; then echo "Play Final shows what the renderer shows (tolerance $tolerance)"; fi
exit $status
