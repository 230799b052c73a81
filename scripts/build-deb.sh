#!/usr/bin/env bash
# Builds the Debian package: a release build of its own (build-deb), then CPack.
#
#   scripts/build-deb.sh            # prints the path of build-deb/tessavox_VERSION_ARCH.deb
#
# Install it with: apt install ./build-deb/tessavox_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-deb
# Debian's hardening: fortified functions, stack protector, full RELRO with immediate binding.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAVOX_TESTS=OFF -DTESSAVOX_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/tessavox_*.deb
if command -v lintian >/dev/null; then lintian --no-tag-display-limit "$build"/tessavox_*.deb || true; fi
