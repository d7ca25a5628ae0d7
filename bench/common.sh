# Shared by the benchmark scripts: timing with peak memory, and medians.

# time_run LABEL COMMAND...: runs once, appends "LABEL seconds peak_kB" to $TIMES.
time_run() {
  local label=$1; shift
  local stats
  stats=$(mktemp)
  /usr/bin/time -f "%e %M" -o "$stats" "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; cat "$stats" >&2; }
  echo "$label $(tail -n 1 "$stats")" >> "$TIMES"
  rm -f "$stats"
}

# median LABEL FIELD: the median of field 2 (seconds) or 3 (peak kB) over LABEL's runs.
median() {
  awk -v l="$1" -v f="$2" '$1 == l { v[n++] = $f } END {
    if (n == 0) { print "nan"; exit }
    asort(v); print (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2 }' "$TIMES"
}

# report LABEL...: a table row per label with the median time and memory.
report() {
  printf "| %-28s | %10s | %12s |\n" "command" "median s" "peak MB"
  printf "| %-28s | %10s | %12s |\n" "---" "---:" "---:"
  for label in "$@"; do
    printf "| %-28s | %10.2f | %12.0f |\n" "$label" "$(median "$label" 2)" "$(echo "$(median "$label" 3) / 1024" | bc -l)"
  done
}

ratio() {  # ratio PEER OURS: how many times faster ours is
  echo "scale=1; $(median "$1" 2) / $(median "$2" 2)" | bc -l
}
