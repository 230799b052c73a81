#!/usr/bin/env bash
# CPU used while a project plays, as a share of one core, at 100 % and at 50 % tempo:
#   bench/play_cpu.sh [BUILD] [SONG.tvx] [SECONDS]
# Plays through the device-less output and through a private PulseAudio null sink (PortAudio),
# timing the whole CLI process with /usr/bin/time (start-up and the stream build included, so
# the figures are an upper bound for the playing itself).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
song=${2:-build/demo/twinkle.tvx}
seconds=${3:-20}
cli="$build/src/tessavox-cli"
[[ -x "$cli" ]] || { echo "no $cli: build it first" >&2; exit 2; }
[[ -f "$song" ]] || { echo "no $song: ./run.sh makes the demo song" >&2; exit 2; }

measure() { # label, then the command
  local label=$1; shift
  local times
  times=$(mktemp)
  /usr/bin/time -o "$times" -f '%U %S %e' "$@" </dev/null >/dev/null 2>&1 || true
  read -r user sys wall <"$times"
  rm -f "$times"
  awk -v l="$label" -v u="$user" -v s="$sys" -v w="$wall" \
    'BEGIN { printf "%-34s user %6.2f s  sys %6.2f s  wall %6.2f s  = %5.2f %% of one core\n", l, u, s, w, 100 * (u + s) / w }'
}

for tempo in 100 50; do
  measure "null output, tempo $tempo %" env TESSAVOX_AUDIO=null "$cli" play "$song" --tempo "$tempo" --seconds "$seconds"
done
if command -v pulseaudio >/dev/null 2>&1; then
  for tempo in 100 50; do
    measure "PortAudio (pulse null sink), $tempo %" scripts/with-pulse-null-sink.sh "$cli" play "$song" --tempo "$tempo" --seconds "$seconds"
  done
fi
