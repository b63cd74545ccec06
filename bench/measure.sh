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
      "$timer" -f '%e %M' -o "$work/t" "$@" >/dev/null || true
      read -r secs kb <<EOF_TIME
$(tail -n 1 "$work/t")
EOF_TIME
    else
      start=$(date +%s.%N)
      "$@" >/dev/null || true
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


heading() {
  printf "%-${width:-34}s %10s %12s\n" "$1" "best s" "peak KB"
}

report() {
  name=$1
  shift
  set -- $(measure "$@")
  printf "%-${width:-34}s %10s %12s\n" "$name" "$1" "$2"
}
