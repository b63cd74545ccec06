#!/bin/sh
# `brindle-cli patch apply` of a patch replacing 1,000 of 20,000 entries (about 100 MB in all)
# against `cp` + `sync` of the container (and the peak memory of a patch of 20 large entries), and `brindle-cli diff` of the two containers against
# reading both once (`cat` to /dev/null, and `sha256sum` of both: reading with hashing): best
# wall time of RUNS runs and peak memory.
#
#   bench/patch_vs_cp.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build/release}
runs=${2:-3}
cli=${BRINDLE_CLI:-$build/viewer/brindle-cli}
[ -x "$cli" ] || { echo "missing $cli (build brindle-cli)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/measure.sh"

# 20,000 files of 5,000 bytes; the second set has 1,000 of them (every 20th) changed.
mkdir "$work/base" "$work/mod"
head -c 100000000 /dev/urandom >"$work/all"
(cd "$work/base" && split -a 5 -d -b 5000 "$work/all" e)
cp "$work"/base/* "$work/mod/"
i=0
for f in "$work"/mod/e*; do
  [ $((i % 20)) -eq 0 ] && head -c 5000 /dev/urandom >"$f"
  i=$((i + 1))
done
"$cli" new vid "$work/old.vid" "$work"/base/e* >/dev/null
"$cli" new vid "$work/new.vid" "$work"/mod/e* >/dev/null
"$cli" patch make "$work/old.vid" "$work/new.vid" -o "$work/mod.zip" >/dev/null
echo "-- $(stat -c %s "$work/old.vid") bytes, $("$cli" info "$work/old.vid" | sed -n 's/entries: //p') entries; patch of $("$cli" patch info "$work/mod.zip" | sed -n 's/changes: //p') changes"

heading program
# Each apply starts from a fresh copy of the old container (made outside the timing).
apply_once() {
  cp "$work/old.vid" "$work/user.vid" && sync
  measure "$cli" patch apply "$work/user.vid" "$work/mod.zip"
}
fastest=
most=0
for _ in $(seq "$runs"); do
  set -- $(runs=1 apply_once)
  if [ -z "$fastest" ] || awk -v a="$1" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then fastest=$1; fi
  [ "$2" -gt "$most" ] && most=$2
done
printf '%-34s %10s %12s\n' "brindle-cli patch apply" "$fastest" "$most"  # as report prints
report "cp + sync" sh -c "cp '$work/old.vid' '$work/copy.vid' && sync"

# Peak memory must not grow with the entries a patch brings: the same 100 MB container with
# 20 of its entries replaced by entries of 4 MB each (80 MB of new bytes in the patch).
mkdir "$work/big"
cp "$work"/base/* "$work/big/"
for n in $(seq 0 19); do head -c 4000000 /dev/urandom >"$work/big/e$(printf %05d $((n * 1000)))"; done
"$cli" new vid "$work/big.vid" "$work"/big/e* >/dev/null
"$cli" patch make "$work/old.vid" "$work/big.vid" -o "$work/big.zip" >/dev/null
apply_big() {
  cp "$work/old.vid" "$work/user.vid" && sync
  measure "$cli" patch apply "$work/user.vid" "$work/big.zip"
}
set -- $(runs=1 apply_big)
printf '%-34s %10s %12s\n' "patch apply, 20 entries of 4 MB" "$1" "$2"
report "brindle-cli diff" "$cli" diff "$work/old.vid" "$work/new.vid"
report "cat both > /dev/null" sh -c "cat '$work/old.vid' '$work/new.vid'"
report "sha256sum both" sha256sum "$work/old.vid" "$work/new.vid"
exit 0
