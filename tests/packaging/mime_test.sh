#!/bin/sh
# The containers' MIME types beside the system's, as a desktop's file manager guesses them
# (GLib): a Sun audio file named .snd stays audio/basic, by its name alone and by its
# contents; a sound container made by brindle-cli is ours by its contents, with or without
# the extension; a LOD archive and a saved game are told apart by their identifier.
#
#   mime_test.sh SOURCE_DIR BRINDLE_CLI
set -eu
src=$(cd "$1" && pwd)
cli=$2
python=/usr/bin/python3
command -v update-mime-database >/dev/null || { echo "no update-mime-database: not checked"; exit 77; }
[ -f /usr/share/mime/packages/freedesktop.org.xml ] || { echo "no system MIME database: not checked"; exit 77; }
"$python" -c 'from gi.repository import Gio' 2>/dev/null || { echo "no GLib for Python: not checked"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

# The system's types and ours, in a database of their own.
mkdir -p "$work/share/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$work/share/mime/packages/"
cp "$src/packaging/brindle-mime.xml" "$work/share/mime/packages/brindle.xml"
update-mime-database "$work/share/mime" >/dev/null 2>&1 || fail "update-mime-database"

# A Sun audio file: ".snd", a header offset of 24, no size, 8-bit mu-law, 8000 Hz, mono.
printf '.snd\000\000\000\030\377\377\377\377\000\000\000\001\000\000\037\100\000\000\000\001' >"$work/sun.snd"
head -c 800 /dev/zero | tr '\000' '\377' >>"$work/sun.snd"
# A sound container of one sound, and the same bytes under another name.
printf 'RIFF\044\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\100\037\000\000\100\037\000\000\001\000\010\000data\000\000\000\000' \
  >"$work/chime.wav"
"$cli" new snd "$work/audio.snd" "$work/chime.wav" >/dev/null || fail "brindle-cli new snd"
cp "$work/audio.snd" "$work/audio"
# An ICONS archive and a saved game: the identifier at 256.
for kind in icons:ICONS chapter:CHAPTER; do
  {
    head -c 256 /dev/zero
    printf '%s' "${kind#*:}"
    head -c 27 /dev/zero
  } >"$work/${kind%%:*}.lod"
done
mv "$work/chapter.lod" "$work/save000.vlm"

XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share" "$python" - "$work" >"$work/guesses" <<'EOF' ||
import sys
from gi.repository import Gio
work = sys.argv[1]
def guess(name, path=None):
    data = open(f"{work}/{path}", "rb").read() if path else None
    return Gio.content_type_guess(name, data)[0]
print("name x.snd", guess("x.snd"))
print("sun.snd", guess("sun.snd", "sun.snd"))
print("audio.snd", guess("audio.snd", "audio.snd"))
print("audio", guess("audio", "audio"))
print("icons.lod", guess("icons.lod", "icons.lod"))
print("save000.vlm", guess("save000.vlm", "save000.vlm"))
EOF
  fail "guessing"
check() {
  got=$(grep "^$1 " "$work/guesses" | sed "s/^$1 //")
  [ "$got" = "$2" ] || fail "$1 is taken as $got, not $2"
}
check "name x.snd" audio/basic
check sun.snd audio/basic
check audio.snd application/x-brindle-snd
check audio application/x-brindle-snd
check icons.lod application/x-brindle-lod
check save000.vlm application/x-brindle-savegame

[ "$failed" = 0 ] || exit 1
echo "MIME types: fine"
