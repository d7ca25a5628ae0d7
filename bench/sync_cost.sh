#!/usr/bin/env bash
# What waiting for the disk costs: contours of a 4000 x 4000 GRID of rough
# terrain (interval 10) and an 8000 x 8000 ESRI ASCII raster to a GRID, each
# as kestrune-batch does them (outputs on the disk before they take their
# names) and with --no-sync, RUNS times in turn; prints the cost in percent.
# Usage: bench/sync_cost.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain bench-make-asc-raster

work=$(mktemp -d /tmp/kestrune-bench-sync.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/terrain" "$work/contours" "$work/ascii" "$work/grid"
make_terrain "$build" "$work/terrain" 4000
"$build/bench/bench-make-asc-raster" "$work/ascii/dem.asc" 8000
sync
batch="$build/cli/kestrune-batch"
contours=("$batch" --grid-folder "$work/terrain" --contour-folder "$work/contours" --contour-interval 10)
grid=("$batch" --input ascii --ascii-folder "$work/ascii" --grid-folder "$work/grid")
warm_up "${contours[@]}"
warm_up "${grid[@]}"
for _ in $(seq "$runs"); do
  time_run "contours, synced" "${contours[@]}"
  time_run "contours, --no-sync" "${contours[@]}" --no-sync
  time_run ".asc to GRID, synced" "${grid[@]}"
  time_run ".asc to GRID, --no-sync" "${grid[@]}" --no-sync
done
report "contours, synced" "contours, --no-sync" ".asc to GRID, synced" ".asc to GRID, --no-sync"
echo
for step in "contours" ".asc to GRID"; do
  awk -v s="$(median "$step, synced" 2)" -v n="$(median "$step, --no-sync" 2)" -v step="$step" \
    'BEGIN { printf "%s: syncing costs %+.1f %%\n", step, (s / n - 1) * 100 }'
done
