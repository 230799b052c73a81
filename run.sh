#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tessavox: the window on the demo song when a display
# is available, otherwise the command-line tool exporting the demo song. Arguments go to the
# window (a project to open) when there is a display, else to tessavox-cli.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAVOX_TESTS=OFF >/dev/null
if ! cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  exit 1
fi

# The demo song with its synthesized tune (made once; the tune is not kept in the repository).
demo="$build/demo"
if [[ ! -f "$demo/twinkle.tvx" || ! -f "$demo/twinkle.wav" ]]; then
  mkdir -p "$demo"
  "$build/scripts/make_demo_song" data/demo/twinkle.txt "$demo/twinkle.tvx" "$PWD/$demo/twinkle.wav" >/dev/null
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  if [[ $# -gt 0 ]]; then exec "$build/src/tessavox" "$@"; fi
  exec "$build/src/tessavox" "$demo/twinkle.tvx"
fi

if [[ $# -gt 0 ]]; then exec "$build/src/tessavox-cli" "$@"; fi
echo "No display: exporting the demo song as MP3+G with an enhanced LRC file, zipped." >&2
"$build/src/tessavox-cli" export "$demo/twinkle.tvx" -o "$demo/twinkle.zip" --lrc enhanced --force
echo "Wrote $demo/twinkle.zip:"
unzip -l "$demo/twinkle.zip" 2>/dev/null | sed -n '4,6p' || true
