#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tessavox. With arguments they go to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVOX_TESTS=OFF >/dev/null
if ! cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  exit 1
fi

if [[ $# -gt 0 ]]; then
  exec "$build/src/tessavox-cli" "$@"
fi

# No GUI yet: show the demo song as the CLI sees it.
echo "Demo song: data/demo/twinkle.tvx" >&2
exec "$build/src/tessavox-cli" info data/demo/twinkle.tvx
