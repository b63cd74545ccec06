#!/bin/sh
# `brindle-cli hexdump` against xxd (and hexdump -C) on the same bytes, as whole processes
# writing to /dev/null: the best wall time of RUNS runs and the peak resident memory.
#
#   bench/hexdump_vs_xxd.sh [BUILD_DIR] [SIZE_BYTES] [RUNS]
#
# BUILD_DIR defaults to build/release (configured with benchmarks), SIZE to 8 MiB.
# BRINDLE_CLI may name another brindle-cli to compare (an older build, say).
set -eu
build=${1:-build/release}
size=${2:-8388608}
runs=${3:-5}
cli=${BRINDLE_CLI:-$build/viewer/brindle-cli}
maker=$build/bench/bench_container
for tool in "$cli" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool (build brindle-cli and bench_container)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/payload.lod" "$work/payload.bin" "$size"

. "$(dirname "$0")/measure.sh"

width=28
heading "program ($size bytes)"
report "brindle-cli hexdump" "$cli" hexdump "$work/payload.lod" payload.evt
command -v xxd >/dev/null && report "xxd" xxd "$work/payload.bin"
command -v hexdump >/dev/null && report "hexdump -C" hexdump -C "$work/payload.bin"
exit 0
