#!/bin/sh
# The man pages: every one parses without a single groff warning, has the sections a reader
# looks for, and names every option the program's --help names (brindle-cli's commands in its
# SYNOPSIS, each of reelrun's switches).
#
#   man_pages_test.sh SOURCE_DIR PROGRAM...
set -eu
src=$(cd "$1" && pwd)
shift
command -v groff >/dev/null || { echo "groff not found: man pages not checked"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

pages=0
for page in "$src"/packaging/man/*.1; do
  pages=$((pages + 1))
  name=$(basename "$page" .1)
  # -ww: every warning; a broken request, an unknown escape or a bad font shows up here.
  LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$page" >"$work/warnings" 2>&1 || fail "$name.1: groff failed"
  [ -s "$work/warnings" ] && fail "$name.1: $(cat "$work/warnings")"
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qx "\.SH \"*$section\"*" "$page" || fail "$name.1 has no $section"
  done
  # NAME is one line: the program, "\-", and a summary that ends where the line ends.
  summary=$(sed -n '/^\.SH NAME$/{n;p;}' "$page" | sed 's/\\-/-/g')
  case $summary in
    "$name - "?*) ;;
    *) fail "$name.1: NAME line is \"$summary\"" ;;
  esac
  # Every page it refers to exists.
  for ref in $(grep -o '^\.BR [a-z\\-]* (1)' "$page" | sed 's/^\.BR //; s/ (1)//; s/\\-/-/g'); do
    [ -f "$src/packaging/man/$ref.1" ] || fail "$name.1 refers to $ref(1), which has no page"
  done
done
[ "$pages" -ge 5 ] || fail "only $pages man pages"

# What --help lists, the page lists too: the long options and brindle-cli's commands.
rendered() {
  LC_ALL=C.UTF-8 MANWIDTH=200 groff -man -Tutf8 -P-c "$src/packaging/man/$1.1" 2>/dev/null |
    sed 's/.\x08//g'
}
for program in "$@"; do
  name=$(basename "$program")
  [ -f "$src/packaging/man/$name.1" ] || { fail "no man page for $name"; continue; }
  rendered "$name" >"$work/page"
  "$program" --help 2>&1 | grep -o -- '--[a-z][a-z-]*' | sort -u >"$work/options"
  while read -r option; do
    grep -q -- "$option" "$work/page" || fail "$name.1 does not name $option"
  done <"$work/options"
done
program() {
  for p in $programs; do
    [ "$(basename "$p")" = "$1" ] && { echo "$p"; return; }
  done
}
programs="$*"
cli=$(program brindle-cli)
if [ -n "$cli" ]; then
  rendered brindle-cli >"$work/page"
  "$cli" --help | sed -n '/^Commands:/,/^$/p' | grep -E '^  [a-z]+ ' | awk '{ print $1 }' \
    >"$work/commands"
  [ -s "$work/commands" ] || fail "brindle-cli --help lists no commands"
  while read -r command; do
    grep -q "^ *brindle-cli $command\b" "$work/page" || fail "brindle-cli.1: no $command in SYNOPSIS"
  done <"$work/commands"
fi
reelrun=$(program reelrun)
if [ -n "$reelrun" ]; then
  rendered reelrun >"$work/page"
  for switch in $("$reelrun" --help | grep -o '^ */[A-Z@]' | tr -d ' '); do
    grep -qE "(^|[ ,])$switch" "$work/page" || fail "reelrun.1 does not explain $switch"
  done
fi

[ "$failed" = 0 ] || exit 1
echo "man pages: $pages fine"
