#!/usr/bin/env bash
# Installs the .deb into a fresh, minimal Debian root the way a user would (apt resolving its
# dependencies from the distribution), runs each program there on the sample game, plays a
# movie with the disk audio driver, then removes the package and checks nothing of it is
# left. Needs root, debootstrap and the network; not part of the test suite.
#
#   sudo packaging/try-deb-in-chroot.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
[ "$(id -u)" = 0 ] || { echo "run as root (chroot and debootstrap need it)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "debootstrap is not installed" >&2; exit 2; }
[ -d build/sample-game ] || { echo "no build/sample-game: run scripts/run once" >&2; exit 2; }

work=$(mktemp -d /tmp/brindle-deb.XXXXXX)
root="$work/root"
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== package"
(cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/deb/*.deb)
echo "== fresh Debian root ($(. /etc/os-release && echo "$VERSION_CODENAME"))"
debootstrap --variant=minbase "$(. /etc/os-release && echo "$VERSION_CODENAME")" "$root" \
  http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log" >&2; exit 1; }
cp "$deb" "$root/tmp/brindle.deb"
cp -r build/sample-game "$root/tmp/sample"
cp /etc/resolv.conf "$root/etc/"
mount -t proc proc "$root/proc"

chroot "$root" /bin/bash -euo pipefail -c '
export DEBIAN_FRONTEND=noninteractive
echo "== install"
apt-get update -q >/dev/null
apt-get install -y -q /tmp/brindle.deb >/tmp/install.log 2>&1 || { tail -20 /tmp/install.log; exit 1; }
for p in brindle brindle-cli ztptool brindle-dat reelrun; do "$p" --version; done
cd /tmp
echo "== run"
brindle-cli list sample/bitmaps.lod >/dev/null
brindle-cli party sample/save000.vlm >/dev/null
brindle-cli extract sample/movies.vid -o movies >/dev/null
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/sound.raw \
  reelrun /S movies/intro.ztp | grep "Display blitter"
[ -s /tmp/sound.raw ] || { echo "reelrun wrote no sound"; exit 1; }
QT_QPA_PLATFORM=offscreen timeout 5 brindle sample/bitmaps.lod >/dev/null 2>&1 || [ $? = 124 ]
echo "== remove"
apt-get remove --purge -y -q brindle >/dev/null
left=$(ls /usr/bin/brindle* /usr/bin/reelrun /usr/bin/ztptool /usr/share/brindle \
  /usr/share/applications/brindle.desktop 2>/dev/null || true)
[ -z "$left" ] || { echo "left behind: $left"; exit 1; }
echo "installed, ran and removed cleanly"
'
