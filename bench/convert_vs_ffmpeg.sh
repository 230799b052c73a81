#!/usr/bin/env bash
# Times converting a 4-minute 48,000 Hz MP3 into the 44,100 Hz stereo work file ("tessavox-cli
# new": decode, resample, header, project) against "ffmpeg -i song.mp3 -ar 44100 -ac 2
# song.wav" on the same file, alternately, so that both see the same load; medians compared.
#
# Usage: bench/convert_vs_ffmpeg.sh [RUNS] [SONG.mp3]
#   TESSAVOX_CLI  the program to time (default: build-rel/src/tessavox-cli)
#   BENCH_DIR     where the files are written (default: a new folder under the current one)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
song=${2:-}
cli=${TESSAVOX_CLI:-build-rel/src/tessavox-cli}
[[ -x $cli ]] || { echo "no $cli: build it first" >&2; exit 1; }
work=${BENCH_DIR:-$(mktemp -d ./bench-convert.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

if [[ -z $song ]]; then
  song=$work/song.mp3
  # Pink noise under a tone at 48,000 Hz, 192 kbit/s stereo: as much work as real music.
  ffmpeg -v error -f lavfi -i "anoisesrc=color=pink:sample_rate=48000:amplitude=0.3:duration=240" \
    -f lavfi -i "sine=frequency=330:sample_rate=48000:duration=240" \
    -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" \
    -c:a libmp3lame -b:a 192k -y "$song"
fi

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ffmpeg -v error -y -i "$song" -ar 44100 -ac 2 "$work/ffmpeg.wav"
"$cli" new --force -o "$work/song.tvx" --music "$song" >/dev/null 2>&1

: >"$work/ffmpeg.times"
: >"$work/tessavox.times"
for ((i = 0; i < runs; i++)); do
  t0=$(now)
  ffmpeg -v error -y -i "$song" -ar 44100 -ac 2 "$work/ffmpeg.wav"
  t1=$(now)
  "$cli" new --force -o "$work/song.tvx" --music "$song" >/dev/null 2>&1
  t2=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }' >>"$work/ffmpeg.times"
  awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }' >>"$work/tessavox.times"
done

f=$(median <"$work/ffmpeg.times")
t=$(median <"$work/tessavox.times")
echo "$(basename "$song"): $runs runs each"
printf 'ffmpeg -i song.mp3 -ar 44100 -ac 2 song.wav   median %.3f s\n' "$f"
printf 'tessavox-cli new --music                      median %.3f s  (%.2f x ffmpeg)\n' "$t" "$(awk -v t="$t" -v f="$f" 'BEGIN { print t / f }')"
