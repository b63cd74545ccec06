#!/usr/bin/env bash
# The layer check on a scratch copy of the tree: the copy passes as it is, and each planted
# violation, one at a time, is caught and named.
#
#   check_layers_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mkdir -p "$work/tree"
for d in scripts common viewer player tools fuzz bench; do
  if [ -d "$source_dir/$d" ]; then cp -r "$source_dir/$d" "$work/tree/$d"; fi
done
"$work/tree/scripts/check-layers" >"$work/out" 2>&1 || { cat "$work/out" >&2; fail "the tree itself"; }

# plant FILE LINE EXPECTED: a new FILE holding LINE; the check must fail and name FILE with
# EXPECTED. The file goes again afterwards.
plant() {
  [ ! -e "$work/tree/$1" ] || fail "$1 is there already"
  mkdir -p "$(dirname "$work/tree/$1")"
  printf '%s\n' "$2" >"$work/tree/$1"
  if "$work/tree/scripts/check-layers" >"$work/out" 2>&1; then
    fail "not caught: $2 in $1"
  fi
  grep -qF "$1: $3" "$work/out" || { cat "$work/out" >&2; fail "$1 not named for: $2"; }
  rm -f "$work/tree/$1"
}

plant viewer/widgets/extra.h '#include "common/bytes.h"' "the folder viewer/widgets has no rule"
plant player/movie/planted.cpp '#include <viewer/ui/base/entry_page.h>' "includes viewer/ui/base/entry_page.h"
plant viewer/core/planted.h '#include "viewer/core/edit/rebuild.h"' "includes viewer/core/edit/rebuild.h"
plant viewer/core/containers/planted.cpp '#include "viewer/core/containers/../edit/x.h"' "includes"
plant tools/ztptool/planted.cpp '#include "viewer/ui/shell/main_window.h"' "includes viewer/ui/shell/main_window.h"
plant common/planted.h '#include "tools/make-samples/samples.h"' "includes tools/make-samples/samples.h"
plant viewer/cli/planted.cpp '#include "fuzz/replay.h"' "includes fuzz/replay.h"
plant viewer/core/formats/planted.cpp '#include <qstring.h>' "the core includes qstring.h"
plant common/planted2.cpp '#include <QString>' "the core includes QString"
plant player/movie/planted2.cpp '#include <SDL2/SDL.h>' "the core includes SDL2/SDL.h"
plant viewer/ui/base/planted.h '#include "viewer/ui/shell/main_window.h"' "includes viewer/ui/shell/main_window.h"
plant viewer/ui/pages/planted.h '#include "viewer/ui/savegame/party_page.h"' "includes viewer/ui/savegame/party_page.h"
echo "check-layers: every planted violation caught"
