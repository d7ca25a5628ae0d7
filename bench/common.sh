# Shared by the benchmark scripts: building, timing with peak memory, medians.
# Each run appends "label<TAB>seconds<TAB>peak kB" to the file $TIMES.

# build_bench_tools BUILD_DIR TARGET...: configures BUILD_DIR with the
# benchmark tools (the "bench" preset when it is the default build-bench),
# then builds the targets.
build_bench_tools() {
  local build=$1; shift
  if [ ! -f "$build/CMakeCache.txt" ]; then
    if [ "$build" = "$root/build-bench" ]; then
      (cd "$root" && cmake --preset bench > /dev/null)
    else
      cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_TESTS=OFF -DKESTRUNE_BENCH=ON > /dev/null
    fi
  fi
  cmake "$build" -DKESTRUNE_BENCH=ON > /dev/null
  cmake --build "$build" --target "$@" > /dev/null
}

# time_run LABEL COMMAND...: runs the command once and records it. Written
# data of earlier runs goes to disk first, so no run pays for another's.
time_run() {
  local label=$1; shift
  local stats
  sync
  stats=$(mktemp)
  if ! /usr/bin/time -f "%e %M" -o "$stats" "$@" > /dev/null 2> "$stats.err"; then
    echo "failed: $*" >&2
    cat "$stats.err" >&2
  fi
  printf "%s\t%s\t%s\n" "$label" $(tail -n 1 "$stats") >> "$TIMES"
  rm -f "$stats" "$stats.err"
}

# warm_up COMMAND...: runs once untimed, so every timed run finds the input
# in the page cache and the programs' libraries loaded.
warm_up() {
  "$@" > /dev/null 2>&1 || true
}

# median LABEL FIELD: the median of field 2 (seconds) or 3 (peak kB).
median() {
  awk -F'\t' -v l="$1" -v f="$2" '$1 == l { print $f }' "$TIMES" | sort -g |
    awk '{ v[n++] = $1 } END { if (n == 0) print "nan"; else print (n % 2) ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2 }'
}

# report LABEL...: a Markdown table row per label, median time and peak memory.
report() {
  printf "| %-32s | %9s | %8s |\n" "command" "median s" "peak MB"
  printf "| %-32s | %9s | %8s |\n" "---" "---:" "---:"
  local label
  for label in "$@"; do
    printf "| %-32s | %9.2f | %8.0f |\n" "$label" "$(median "$label" 2)" "$(awk -v k="$(median "$label" 3)" 'BEGIN { print k / 1024 }')"
  done
}

# ratio PEER OURS: how many times faster OURS is than PEER, by median time.
ratio() {
  awk -v p="$(median "$1" 2)" -v o="$(median "$2" 2)" 'BEGIN { printf "%.1f", p / o }'
}

# peak_mb LABEL: median peak memory in MB.
peak_mb() {
  awk -v k="$(median "$1" 3)" 'BEGIN { printf "%.0f", k / 1024 }'
}

# The terrain every benchmark makes (bench-make-terrain's KIND): "real", mountains
# like a real DEM's, unless KESTRUNE_BENCH_TERRAIN says "fractal" (the earlier
# benchmarks' terrain, many short contour lines) or a roughness.
terrain_kind=${KESTRUNE_BENCH_TERRAIN:-real}

# make_terrain BUILD_DIR WORKSPACE N: the benchmark terrain as the GRID WORKSPACE/dem.
make_terrain() {
  "$1/bench/bench-make-terrain" "$2" "$3" 7 "$terrain_kind"
}

# floor_write LABEL FOLDER BYTES: the time to write BYTES to a new file in
# FOLDER and wait for them to reach the disk (as Kestrune's outputs do), the
# least any program writing that output can take here: written straight to
# the disk in blocks of 4 MB (LABEL), as Kestrune writes; and, recorded as
# "LABEL, through the cache", through the page cache and synced at the end,
# as most programs write.
floor_write() {
  local label=$1 folder=$2 bytes=$3
  local blocks=$(( (bytes + 4194303) / 4194304 ))
  time_run "$label" dd if=/dev/zero of="$folder/.floor" bs=4M count=$blocks oflag=direct conv=fdatasync status=none
  rm -f "$folder/.floor"
  time_run "$label, through the cache" dd if=/dev/zero of="$folder/.floor" bs=4M count=$blocks conv=fdatasync status=none
  rm -f "$folder/.floor"
}

# floor_read LABEL FILE...: the time to read the files (from the page cache,
# as every timed run finds its input).
floor_read() {
  local label=$1; shift
  time_run "$label" cat "$@"
}

# of_floor OURS FLOOR...: how many times the sum of the floors' medians OURS takes.
of_floor() {
  local ours=$1; shift
  local sum=0 label
  for label in "$@"; do sum=$(awk -v s="$sum" -v m="$(median "$label" 2)" 'BEGIN { print s + m }'); done
  awk -v o="$(median "$ours" 2)" -v f="$sum" 'BEGIN { printf "%.1f", o / f }'
}

# bytes_of FILE...: their size in bytes, together.
bytes_of() {
  du -cb "$@" | tail -n 1 | cut -f1
}
