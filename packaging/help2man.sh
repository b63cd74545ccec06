#!/bin/sh
# Writes a short man page from a program's --help text, so the page says what the program
# says. The NAME line takes the first line of the text that is not part of the usage.
#
#   help2man.sh PROGRAM NAME VERSION OUT
set -eu
program=$1
name=$2
version=$3
out=$4
text=$(timeout 20 "$program" --help 2>&1 || true)
[ -n "$text" ] || { echo "help2man.sh: $program --help printed nothing" >&2; exit 1; }
summary=$(printf '%s\n' "$text" | awk '!/^usage/ && !/^[ \t]/ && NF { print; exit }')
upper=$(printf '%s' "$name" | tr '[:lower:]' '[:upper:]')
{
  printf '.TH %s 1 "" "brindle %s" "User Commands"\n' "$upper" "$version"
  printf '.SH NAME\n%s \\- %s\n' "$name" "$(printf '%s' "$summary" | sed 's/\\/\\e/g; s/-/\\-/g')"
  printf '.SH SYNOPSIS AND DESCRIPTION\n.nf\n'
  # Backslashes as \e; a line starting with a dot or quote would read as a request.
  printf '%s\n' "$text" | sed 's/\\/\\e/g; s/^\([.'"'"']\)/\\\&\1/'
  printf '.fi\n'
} >"$out"
