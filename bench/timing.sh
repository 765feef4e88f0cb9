# Sourced by the benchmarks: timing a command over $runs runs in $work.
# median: the middle of the numbers on standard input.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# timed NAME COMMAND...: prints the median wall time and peak memory of the command over the
# runs, each after the outputs of an earlier one are gone, and keeps both in
# $work/NAME.s and $work/NAME.mib.
timed() {
  local name=$1; shift
  local times=() peak=0
  for ((i = 0; i < runs; i++)); do
    rm -f "$work"/day.kml "$work"/day.gpx "$work"/day.html "$work"/index.html "$work"/dd.out
    sync
    local start=$EPOCHREALTIME
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>&1
    times+=("$(echo "$EPOCHREALTIME - $start" | bc -l)")
    local kib
    kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    ((kib > peak)) && peak=$kib
  done
  local m
  m=$(printf '%s\n' "${times[@]}" | median)
  printf '%-28s %8.3f s  %6d MiB\n' "$name" "$m" $((peak / 1024))
  echo "$m" >"$work/$name.s"
  echo $((peak / 1024)) >"$work/$name.mib"
}
