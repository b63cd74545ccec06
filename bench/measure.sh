# Sourced by the bench scripts: `measure CMD...` runs the command $runs times with its
# output thrown away and prints "best_seconds peak_kb"; $work is a scratch folder. The
# command's exit code does not matter (diff and grep say things by theirs). `heading TITLE`
# and `report NAME CMD...` print the table, its first column $width wide (34 by default).
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
      # The time to the millisecond from the clock (time's own %e is in steps of 10 ms, a tenth
      # of a 100 ms run), the peak memory from time.
      start=$(date +%s%N)
      "$timer" -f '%M' -o "$work/t" "$@" >/dev/null || true
      secs=$(awk -v a="$start" -v b="$(date +%s%N)" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
      kb=$(tail -n 1 "$work/t")
    else
      start=$(date +%s.%N)
      "$@" >/dev/null || true
      secs=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
      kb=0
    fi
    if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$secs
    fi
    if [ -z "$peak" ] || [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  echo "$best $peak"
}


heading() {
  printf "%-${width:-34}s %10s %12s\n" "$1" "best s" "peak KB"
}

report() {
  name=$1
  shift
  set -- $(measure "$@")
  printf "%-${width:-34}s %10s %12s\n" "$name" "$1" "$2"
}
