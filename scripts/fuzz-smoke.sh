#!/usr/bin/env bash
# Runs every fuzz target briefly, one after the other, so that they keep building and their
# seeds keep passing: scripts/fuzz-smoke.sh [SECONDS_EACH]   (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
for target in $(scripts/fuzz.sh list); do
  log="build-fuzz/smoke-$target.log"
  mkdir -p build-fuzz
  if ! scripts/fuzz.sh "$target" "$seconds" >"$log" 2>&1; then
    echo "fuzz target $target failed:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  echo "fuzz $target: $(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$log" | grep -Eo '[0-9]+') runs, clean"
done
