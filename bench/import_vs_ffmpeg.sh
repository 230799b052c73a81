#!/usr/bin/env bash
# Times importing a 4-minute MP3 ("tessavox-cli new", decode + checks + header + project) against
# "ffmpeg -i song.mp3 song.wav" on the same file. The two run alternately, so that both see the
# same load on a shared machine; the medians are compared.
#
# Usage: bench/import_vs_ffmpeg.sh [RUNS] [SONG.mp3]
#   SONG_RATE     the rate of the song made when none is given (default 44100); with 48000 and
#   FFMPEG_ARGS   "-ar 44100 -ac 2" it times converting music against ffmpeg converting it
#   TESSAVOX_CLI  the program to time (default: build-rel/src/tessavox-cli, a Release build:
#                 cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAVOX_TESTS=OFF
#                 && cmake --build build-rel --target tessavox-cli)
#   BENCH_DIR     where the files are written (default: a new folder under the current one, so
#                 that the disk is the one a project would live on)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
song=${2:-}
rate=${SONG_RATE:-44100}
read -r -a ffargs <<<"${FFMPEG_ARGS:-}"
cli=${TESSAVOX_CLI:-build-rel/src/tessavox-cli}
[[ -x $cli ]] || { echo "no $cli: build it first (see the top of this script)" >&2; exit 1; }
work=${BENCH_DIR:-$(mktemp -d ./bench-import.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

if [[ -z $song ]]; then
  song=$work/song.mp3
  # Pink noise under a tone, 192 kbit/s stereo: as much work for the decoder as real music.
  ffmpeg -v error -f lavfi -i "anoisesrc=color=pink:sample_rate=$rate:amplitude=0.3:duration=240" \
    -f lavfi -i "sine=frequency=330:sample_rate=$rate:duration=240" \
    -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" \
    -c:a libmp3lame -b:a 192k -y "$song"
fi

if command -v hyperfine >/dev/null 2>&1; then
  hyperfine --warmup 2 --runs "$runs" \
    -n ffmpeg "ffmpeg -v error -y -i '$song' ${FFMPEG_ARGS:-} '$work/ffmpeg.wav'" \
    -n tessavox "'$cli' new --force -o '$work/song.tvx' --music '$song'"
  exit 0
fi

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up of each so that both start with the file in the page cache.
ffmpeg -v error -y -i "$song" "${ffargs[@]}" "$work/ffmpeg.wav"
"$cli" new --force -o "$work/song.tvx" --music "$song" >/dev/null 2>&1

: >"$work/ffmpeg.times"
: >"$work/tessavox.times"
for ((i = 0; i < runs; i++)); do
  t0=$(now)
  ffmpeg -v error -y -i "$song" "${ffargs[@]}" "$work/ffmpeg.wav"
  t1=$(now)
  "$cli" new --force -o "$work/song.tvx" --music "$song" >/dev/null 2>&1
  t2=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }' >>"$work/ffmpeg.times"
  awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }' >>"$work/tessavox.times"
done

f=$(median <"$work/ffmpeg.times")
t=$(median <"$work/tessavox.times")
echo "$(basename "$song"): $(stat -c %s "$work/song.wav") bytes of work file, $runs runs each"
printf 'ffmpeg -i song.mp3 %s song.wav   median %.3f s\n' "${FFMPEG_ARGS:-}" "$f"
printf 'tessavox-cli new --music      median %.3f s  (%.0f %% of ffmpeg)\n' "$t" "$(awk -v t="$t" -v f="$f" 'BEGIN { print 100 * t / f }')"
