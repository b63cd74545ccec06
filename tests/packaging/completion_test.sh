#!/bin/bash
# The bash completion scripts load in a bare bash (no bash-completion package, no rc files)
# and complete what the programs themselves say they take: brindle-cli's commands from its
# --help (and, for another brindle-cli, whatever it says it has), the entries of a real
# container, ztptool's commands and options from its --help, reelrun's switches from its
# --help, and files by their kind.
#
#   completion_test.sh SOURCE_DIR BRINDLE_CLI [ZTPTOOL [REELRUN]]
set -u
src=$(cd "$1" && pwd)
cli=$2
ztptool=${3:-}
reelrun=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

# What the completion of a command line offers (its first word names the program and its
# script, the last one is the word being completed), one per line, sorted.
complete_words() {
  local script=$1
  (
    cd "$work/files" || exit 1
    PATH=$(dirname "$cli"):$PATH
    source "$src/packaging/completion/$script.bash" || exit 1
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    local function
    function=$(complete -p "$1" | sed 's/.*-F \([^ ]*\) .*/\1/')
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
  ) 2>"$work/stderr" | sed '/^$/d' | sort
  [ -s "$work/stderr" ] && fail "completing '$*' wrote: $(cat "$work/stderr")"
}

# expect DESCRIPTION EXPECTED-FILE WORDS...: the offers are exactly the lines of the file.
expect() {
  local what=$1 expected=$2
  shift 2
  complete_words "$@" >"$work/got"
  sort "$expected" | sed '/^$/d' >"$work/want"
  diff -u "$work/want" "$work/got" >"$work/diff" || fail "$what: $(cat "$work/diff")"
}

mkdir -p "$work/files/sub"
cd "$work/files" || exit 1
printf 'one\ttwo\n' >notes.txt
printf 'x' >readme.md
printf 'x' >UPPER.LOD
printf 'x' >intro.ztp
printf 'x' >frame_00000.bmp
printf 'x' >track_0.wav
"$cli" new icons icons.lod notes.txt >/dev/null || fail "brindle-cli new"
cd "$src" || exit 1

# brindle-cli: the commands --help lists, then --help and --version.
{
  "$cli" --help | sed -n '/^Commands:/,/^$/p' | grep -E '^  [a-z]+ ' | awk '{ print $1 }'
  echo --help
  echo --version
} >"$work/commands"
[ "$(wc -l <"$work/commands")" -ge 10 ] || fail "brindle-cli --help lists only: $(cat "$work/commands")"
expect "brindle-cli commands" "$work/commands" brindle-cli ""
printf 'extract\n' >"$work/ex"
expect "brindle-cli ex" "$work/ex" brindle-cli ex

# Containers by extension (any case) and folders; other files only when none matches.
printf 'UPPER.LOD\nicons.lod\nsub\n' >"$work/containers"
expect "brindle-cli info's container" "$work/containers" brindle-cli info ""
printf 'readme.md\n' >"$work/readme"
expect "brindle-cli info falls back to every file" "$work/readme" brindle-cli info read

# The entries of the container named, as list prints them.
"$cli" list "$work/files/icons.lod" | tail -n +2 | cut -f2 >"$work/entries"
[ -s "$work/entries" ] || fail "the container made has no entries"
(cd "$work/files" && expect "brindle-cli extract's entries" "$work/entries" brindle-cli extract icons.lod "")
(cd "$work/files" && expect "brindle-cli remove's entries" "$work/entries" brindle-cli remove icons.lod notes.txt "")
printf '' >"$work/nothing"
(cd "$work/files" && expect "rename's new name is the user's" "$work/nothing" brindle-cli rename icons.lod notes.txt "")

# Every command answers --help, so --help is offered after each.
while read -r command; do
  case $command in -*) continue ;; esac
  complete_words brindle-cli "$command" -- >"$work/offered"
  grep -qx -- --help "$work/offered" || fail "brindle-cli $command: --help not offered"
done <"$work/commands"

# extract's options and types; the types are the ones the README names for list.
printf -- '-o\n--raw\n--type\n--help\n' >"$work/extract-options"
expect "brindle-cli extract options" "$work/extract-options" brindle-cli extract icons.lod -
tr -s ' \n' ' ' <"$src/README.md" | grep -o '(text palette [a-z ]*)' | tr -d '()' | tr ' ' '\n' \
  >"$work/types"
[ "$(wc -l <"$work/types")" -ge 19 ] || fail "README lists no types"
expect "brindle-cli extract --type" "$work/types" brindle-cli extract icons.lod --type ""
printf -- '-\nsub\n' >"$work/folders"
expect "brindle-cli extract -o takes folders and -" "$work/folders" brindle-cli extract icons.lod -o ""

# new's kinds, as --help lists them.
"$cli" --help | tr -s ' \n' ' ' | grep -o 'KIND: [a-z ]*' | sed 's/KIND: //; s/ $//' | tr ' ' '\n' \
  >"$work/kinds"
expect "brindle-cli new's kinds" "$work/kinds" brindle-cli new ""

# The script knows no command, option or type of its own: it asks the program. A program
# with other commands gets those offered, each argument completed by its placeholder.
mkdir -p "$work/other"
cat >"$work/other/brindle-cli" <<'EOF'
#!/bin/sh
[ "$1" = --completion ] || exit 2
echo 'command squash [--hard] [-k KIND] CONTAINER [ENTRY...]'
echo 'command peek SAVE NEWNAME'
echo 'program --help'
echo 'each -h'
echo 'values KIND big small'
EOF
chmod +x "$work/other/brindle-cli"
real_cli=$cli
cli=$work/other/brindle-cli
printf 'squash\npeek\n--help\n' >"$work/other-commands"
expect "another program's commands" "$work/other-commands" brindle-cli ""
printf -- '--hard\n-k\n-h\n' >"$work/other-options"
expect "another program's options" "$work/other-options" brindle-cli squash -
printf 'big\nsmall\n' >"$work/other-kinds"
expect "another program's option values" "$work/other-kinds" brindle-cli squash -k ""
expect "an option's value is no argument" "$work/containers" brindle-cli squash -k big --hard ""
expect "the place after an option's value" "$work/nothing" brindle-cli peek x.vlm ""
expect "a command the program does not have" "$work/nothing" brindle-cli list ""
cli=$real_cli

if [ -n "$ztptool" ]; then
  "$ztptool" --help | grep -o '^ *ztptool [a-z]*' | awk '{ print $2 }' | sort -u >"$work/ztp-commands"
  printf -- '--help\n--version\n' >>"$work/ztp-commands"
  expect "ztptool commands" "$work/ztp-commands" ztptool ""
  "$ztptool" --help | sed -n '/ztptool encode/,/FRAME/p' | grep -o -- '-[a-z-]*' | sort -u >"$work/encode"
  expect "ztptool encode options" "$work/encode" ztptool encode -
  printf 'intro.ztp\nsub\n' >"$work/movies"
  expect "ztptool info's movie" "$work/movies" ztptool info ""
  printf 'track_0.wav\n' >"$work/wav"
  expect "ztptool encode --audio" "$work/wav" ztptool encode -o out.ztp --audio t
fi

if [ -n "$reelrun" ]; then
  # Every switch --help lists is offered, with "/" and with "-".
  "$reelrun" --help | grep -o '^ */[A-Z@]' | tr -d ' ' | sort -u >"$work/switches"
  [ "$(wc -l <"$work/switches")" -ge 20 ] || fail "reelrun --help lists only: $(cat "$work/switches")"
  complete_words reelrun intro.ztp / >"$work/offered"
  while read -r switch; do
    grep -qx -- "$switch" "$work/offered" || fail "reelrun: $switch not offered"
    grep -qx -- "-${switch#/}" <(complete_words reelrun -) || fail "reelrun: -${switch#/} not offered"
  done <"$work/switches"
  # A lower-case letter finds the switch, and the display kinds are offered by number.
  complete_words reelrun intro.ztp /v >"$work/video"
  for switch in /V /V1 /V2 /V3 /V4; do
    grep -qx "$switch" "$work/video" || fail "reelrun /v: $switch not offered"
  done
  printf 'intro.ztp\nsub\n' >"$work/reel-movies"
  expect "reelrun's movies" "$work/reel-movies" reelrun ""
  # A word starting with "/" may be an absolute path.
  complete_words reelrun "$work/files/in" >"$work/absolute"
  grep -qx "$work/files/intro.ztp" "$work/absolute" || fail "reelrun: no absolute path offered"
fi

[ "$failed" = 0 ] || exit 1
echo "shell completion: fine"
