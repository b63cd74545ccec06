#!/bin/sh
# Installs the build into a scratch prefix and runs the programs from there (they must
# find brindle.dat under the prefix), checks what else the installation holds, then makes
# the .deb and checks its contents and dependencies. Without dpkg-deb the package part is
# skipped (exit 77 tells CTest so); as root it is also installed into and removed from a
# scratch dpkg root.
#
#   install_test.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install"

# Programs in bin, each with --help and --version; the data is found under the prefix.
data="$prefix/share/brindle/brindle.dat"
[ -f "$data" ] || fail "no brindle.dat in share/brindle"
for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  "$program" --help >"$work/help" 2>&1 || fail "$name --help"
  [ -s "$work/help" ] || fail "$name --help printed nothing"
  "$program" --version >"$work/version" 2>&1 || fail "$name --version"
  grep -q "$name [0-9]" "$work/version" || fail "$name --version: $(cat "$work/version")"
  page="$prefix/share/man/man1/$name.1.gz"
  [ -s "$page" ] || fail "no man page for $name"
  gzip -dc "$page" | grep -q '^\.TH ' || fail "$name.1.gz is no man page"
done
[ -x "$prefix/bin/brindle-cli" ] || fail "no brindle-cli"
"$prefix/bin/brindle-cli" --version | grep -qx "game data: $data" ||
  fail "brindle-cli does not find $data: $("$prefix/bin/brindle-cli" --version)"
if [ -x "$prefix/bin/brindle" ]; then
  "$prefix/bin/brindle" --version | grep -qx "game data: $data" || fail "brindle does not find $data"
fi

# An empty ICONS archive for the programs to open.
{
  head -c 256 /dev/zero
  printf 'ICONS'
  head -c 27 /dev/zero
} >"$work/empty.lod"

# The installed window: any --help prints help; without a display it says so and ends (exit
# 1); run and told to end (as root here, when the tests run as root), it writes its
# settings to the user's folders only, never beside itself, and removes what it made.
if [ -x "$prefix/bin/brindle" ]; then
  "$prefix/bin/brindle" --help x >"$work/help" 2>&1 || fail "brindle --help x"
  grep -q '^usage: brindle' "$work/help" || fail "brindle --help x printed no help"
  rc=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/brindle" \
    >"$work/nodisplay" 2>&1 || rc=$?
  [ "$rc" = 1 ] || fail "brindle without a display: exit $rc"
  grep -qx 'brindle: cannot open a window: no display (set DISPLAY or WAYLAND_DISPLAY, or use brindle-cli)' \
    "$work/nodisplay" || fail "brindle without a display said: $(cat "$work/nodisplay")"
  home=$work/home
  mkdir -p "$home" "$work/runtime"
  chmod 700 "$work/runtime"
  before=$(ls "$prefix/bin")
  rc=0
  env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    timeout -s TERM 6 "$prefix/bin/brindle" "$work/empty.lod" >"$work/run" 2>&1 || rc=$?
  [ "$rc" = 124 ] || { cat "$work/run" >&2; fail "brindle did not run until told to end: exit $rc"; }
  [ "$(ls "$prefix/bin")" = "$before" ] || fail "brindle wrote beside itself: $(ls "$prefix/bin")"
  [ -f "$home/config/brindle/brindle.ini" ] || fail "no settings in XDG_CONFIG_HOME after a run"
  grep -q "empty.lod" "$home/config/brindle/brindle.ini" || fail "the settings hold no history"
  [ -z "$(ls -A "$work/runtime/brindle" 2>/dev/null)" ] || fail "temporary files left behind"
fi

# The installed brindle-cli at work on a container: an empty ICONS archive.
"$prefix/bin/brindle-cli" info "$work/empty.lod" | grep -qx "kind: icons" || fail "brindle-cli info"
[ "$("$prefix/bin/brindle-cli" list --json "$work/empty.lod")" = "[]" ] || fail "brindle-cli list"

# The desktop's view of it.
if [ -x "$prefix/bin/brindle" ]; then
  desktop="$prefix/share/applications/brindle.desktop"
  [ -f "$desktop" ] || fail "no desktop file"
  [ -f "$prefix/share/icons/hicolor/scalable/apps/brindle.svg" ] || fail "no icon"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop file"
  fi
  metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml)
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 ||
      { cat "$work/appstream" >&2; fail "metainfo"; }
  fi
fi
mime="$prefix/share/mime/packages/brindle.xml"
[ -f "$mime" ] || fail "no MIME types"
for type in lod savegame snd vid; do
  grep -q "application/x-brindle-$type" "$mime" || fail "MIME type $type missing"
done
if command -v xmllint >/dev/null; then xmllint --noout "$mime" || fail "MIME XML"; fi

# The package.
command -v dpkg-deb >/dev/null || { echo "dpkg-deb not found: package not checked"; exit 77; }
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >cpack.log 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/deb/*.deb)
dpkg-deb --contents "$deb" | awk '{ print $NF }' >"$work/contents"
for f in ./usr/bin/brindle-cli ./usr/bin/brindle-dat ./usr/bin/make-samples \
  ./usr/share/brindle/brindle.dat ./usr/share/man/man1/brindle-cli.1.gz \
  ./usr/share/mime/packages/brindle.xml ./usr/share/bash-completion/completions/brindle-cli \
  ./usr/share/doc/brindle/copyright ./usr/share/doc/brindle/changelog.Debian.gz; do
  grep -qx "$f" "$work/contents" || fail "$f not in the package"
done
if grep -q '^\./usr/bin/brindle$' "$work/contents"; then
  grep -qx ./usr/share/applications/brindle.desktop "$work/contents" || fail "no desktop file in the package"
fi
grep -q -e test -e bench -e fuzz "$work/contents" && fail "test programs in the package"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section $(dpkg-deb -f "$deb" Section)"
# The programs in the package are stripped.
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
for program in "$work"/unpacked/usr/bin/*; do
  if LC_ALL=C readelf -S "$program" | grep -q '\.symtab'; then fail "$(basename "$program") is not stripped"; fi
done
# lintian, where it is installed: no error.
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian" >&2; fail "lintian"; }
fi
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsdl2-2.0-0 zlib1g; do
  echo "$depends" | grep -q "$d" || fail "the package does not depend on $d: $depends"
done

# Installed and removed again in a scratch dpkg root: nothing of ours is left behind.
if [ "$(id -u)" = 0 ] && command -v dpkg >/dev/null; then
  root=$work/root
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/usr"
  touch "$root/var/lib/dpkg/status"
  dpkg --root="$root" --force-depends -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
  [ -x "$root/usr/bin/brindle-cli" ] || fail "dpkg -i installed no brindle-cli"
  "$root/usr/bin/brindle-cli" --version | grep -qx "game data: $root/usr/share/brindle/brindle.dat" ||
    fail "the packaged brindle-cli does not find its data"
  dpkg --root="$root" -r brindle >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -r"; }
  left=$(find "$root/usr" -type f 2>/dev/null | head -5)
  [ -z "$left" ] || fail "left after removal: $left"
fi
echo "install and package: fine"
