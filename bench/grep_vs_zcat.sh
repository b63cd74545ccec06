#!/bin/sh
# `brindle-cli grep` and `brindle-cli check` against zcat | grep -c over the same compressed
# text tables, as whole processes: the best wall time of RUNS runs and the peak resident
# memory. The tables are made twice, SIZE stored bytes apiece, to show that the memory does
# not grow with the container.
#
#   bench/grep_vs_zcat.sh [BUILD_DIR] [SIZE_BYTES] [RUNS]
#
# BUILD_DIR defaults to build/release (configured with benchmarks), SIZE to 100 MB.
set -eu
build=${1:-build/release}
size=${2:-100000000}
runs=${3:-3}
cli=${BRINDLE_CLI:-$build/viewer/brindle-cli}
maker=$build/bench/bench_text_container
for tool in "$cli" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool (build brindle-cli and bench_text_container)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

timer=
if [ -x /usr/bin/time ]; then timer=/usr/bin/time; fi

# Prints "best_seconds peak_kb" for the command given.
measure() {
  best=
  peak=
  i=0
  while [ "$i" -lt "$runs" ]; do
    i=$((i + 1))
    if [ -n "$timer" ]; then
      "$timer" -f '%e %M' -o "$work/t" "$@" >/dev/null
      read -r secs kb <"$work/t"
    else
      start=$(date +%s.%N)
      "$@" >/dev/null
      secs=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
      kb=0
    fi
    if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$secs
    fi
    if [ -z "$peak" ] || [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  echo "$best $peak"
}

printf '%-34s %10s %12s\n' "program" "best s" "peak KB"
report() {
  name=$1
  shift
  set -- $(measure "$@")
  printf '%-34s %10s %12s\n' "$name" "$1" "$2"
}
for part in small whole; do
  bytes=$size
  [ "$part" = small ] && bytes=$((size / 10))
  "$maker" "$work/$part.lod" "$work/$part.gz" "$bytes"
  echo "-- $part: $(stat -c %s "$work/$part.lod") bytes in the container"
  report "brindle-cli grep" "$cli" grep "$work/$part.lod" Glimmer
  report "zcat | grep -c" sh -c "zcat '$work/$part.gz' | grep -c Glimmer"
  report "brindle-cli check" "$cli" check "$work/$part.lod"
  report "zcat (inflate alone)" zcat "$work/$part.gz"
done
exit 0
