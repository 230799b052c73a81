#!/usr/bin/env bash
# Installs the Debian package on a clean Debian 12 made with debootstrap (a folder of its own,
# entered with chroot) and starts both programs there without a display.
#
#   scripts/check-clean-install.sh PACKAGE.deb [ROOT_DIR]
#
# Needs root and Debian's package archive (the mirror this machine's apt uses). The root folder
# (default /var/tmp/tessavox-clean-root) is made once and copied afresh for every run, so each
# install starts from a system that never had the package or its dependencies.
set -euo pipefail
deb=$(realpath "$1")
base=${2:-/var/tmp/tessavox-clean-root}
[[ -f "$deb" ]] || { echo "no package: $1" >&2; exit 2; }
command -v debootstrap >/dev/null || apt-get install -y -q debootstrap >/dev/null

# The mirror apt already uses here.
mirror=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[[ -n "$mirror" ]] || mirror=$(awk '/^deb / && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
[[ -n "$mirror" ]] || { echo "cannot tell which Debian mirror apt uses" >&2; exit 1; }

if [[ ! -x "$base/bin/sh" ]]; then
  echo "making a minimal Debian 12 in $base"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$base.log" 2>&1 ||
    { echo "debootstrap failed (see $base.log)" >&2; exit 1; }
fi
root=$(mktemp -d /var/tmp/tessavox-install-XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root apt-get update -q >/dev/null
echo "apt install ./$name"
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$name" >"$root.apt.log" 2>&1 ||
  { tail -20 "$root.apt.log" >&2; echo "apt install failed" >&2; exit 1; }
grep -E "^(Setting up|The following NEW)" "$root.apt.log" | grep -c "Setting up" | sed 's/^/packages set up: /'
in_root dpkg -s tessavox | grep -E "^(Version|Depends|Recommends):" | cut -c1-200
# No display in the chroot: both must answer all the same.
cli_version=$(in_root tessavox-cli --version) || { echo "tessavox-cli --version failed" >&2; exit 1; }
gui_version=$(in_root tessavox --version 2>&1) || { echo "tessavox --version failed: $gui_version" >&2; exit 1; }
echo "tessavox-cli --version: $cli_version"
echo "tessavox --version: $gui_version"
in_root tessavox-cli --help >/dev/null
man_page=$(in_root sh -c 'ls /usr/share/man/man1/tessavox*.1* | wc -l')
echo "manual pages installed: $man_page"
rm -f "$root.apt.log"
echo "clean install: OK"
