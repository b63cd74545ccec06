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
maker=$build/bench/bench_container
for tool in "$cli" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool (build brindle-cli and bench_container)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/measure.sh"

heading program
for part in small whole; do
  bytes=$size
  [ "$part" = small ] && bytes=$((size / 10))
  "$maker" texts "$work/$part.lod" "$work/$part.gz" "$bytes"
  echo "-- $part: $(stat -c %s "$work/$part.lod") bytes in the container"
  report "brindle-cli grep" "$cli" grep "$work/$part.lod" Glimmer
  report "zcat | grep -c" sh -c "zcat '$work/$part.gz' | grep -c Glimmer"
  report "brindle-cli check" "$cli" check "$work/$part.lod"
  report "zcat (inflate alone)" zcat "$work/$part.gz"
done
exit 0
