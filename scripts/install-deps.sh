#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tessavox need.
# Quick when everything is present: it only asks dpkg, and calls apt-get for what is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev
  zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation libharfbuzz-dev libicu-dev
  # faces for lyrics in every script: Chinese, Japanese and Korean; Devanagari; Thai (DejaVu,
  # which comes with the desktop, has Cyrillic, Greek, Hebrew and Arabic)
  fonts-dejavu-core fonts-wqy-microhei fonts-lohit-deva fonts-tlwg-garuda-ttf
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libminizip-dev
  nlohmann-json3-dev
  # run time: the MP3 encoder, opened when the program starts
  libmp3lame0
  # playback: sound device and tempo change
  portaudio19-dev libsoundtouch-dev
  # KAR/MIDI music: the synthesizer and a General MIDI SoundFont
  libfluidsynth-dev fluid-soundfont-gm
  # timing words from singing: the speech recogniser, its US English model and dictionary, and
  # pronunciations of words the dictionary lacks
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us espeak-ng libespeak-ng-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev
  # a real sound device for the playback tests: a PulseAudio null sink, ALSA routed to it
  pulseaudio libasound2-plugins
  # fixture tools used by the tests (reference decoder, tone synthesis, archive listing)
  ffmpeg sox unzip
  # voices and a synthesizer for the word-timing test and its evaluation set
  flite fluidsynth
  # the check that the engine's folders include each other without a cycle
  python3
  # the place-timing check on a virtual display: server, typing, key times, screenshots
  xvfb xdotool python3-xlib x11-apps
  # the packaging checks: metainfo, desktop entry, MIME XML, manual pages; the Debian package
  appstream desktop-file-utils libxml2-utils groff-base dpkg-dev
  # the fuzz targets (libFuzzer comes with clang's runtime libraries)
  clang libclang-rt-14-dev
)

# Node.js and npm for the second reference decoder (below), unless a Node.js is installed already.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

# The second reference decoder the tests compare our screens with: the npm package cdgraphics, in
# the test build's node folder (TESSAVOX_NODE_PREFIX names another), never in the source tree or
# a global prefix. A failed install is only a warning: the test that needs it says what is missing.
root=$(cd "$(dirname "$0")/.." && pwd)
install_node_decoder() {
  local prefix=${TESSAVOX_NODE_PREFIX:-$root/build-test/node}
  [[ -f "$prefix/node_modules/cdgraphics/package.json" ]] && return 0
  command -v npm >/dev/null 2>&1 || return 0
  mkdir -p "$prefix"
  npm install --no-audit --no-fund --no-save --prefix "$prefix" cdgraphics@7.0.0 >&2 ||
    echo "warning: could not install the npm package cdgraphics into $prefix" >&2
}

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  install_node_decoder
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then sudo=(sudo); else
    echo "These packages are missing and I am not root: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
install_node_decoder
