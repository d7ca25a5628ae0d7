#!/usr/bin/env bash
# ESRI ASCII raster to GRID: kestrune-batch --input ascii against
# gdal_translate -of GTiff (GDAL cannot write GRIDs; GeoTIFF is the nearest
# peer) on one 8000 x 8000 float raster (about 1.1 GB of text), each run RUNS
# times in turn.
# Usage: bench/ascii_to_grid.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-8000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-asc-raster

work=$(mktemp -d /tmp/kestrune-bench-asc.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/ascii" "$work/grid"
"$build/bench/bench-make-asc-raster" "$work/ascii/dem.asc" "$n"
echo "input: $(du -m "$work/ascii/dem.asc" | cut -f1) MB, $n x $n cells"
sync  # the new input on disk, so no run pays for writing it back

warm_up "$build/cli/kestrune-batch" --input ascii --ascii-folder "$work/ascii" --grid-folder "$work/grid"
for _ in $(seq "$runs"); do
  rm -rf "$work/grid" && mkdir "$work/grid"
  time_run "kestrune (.asc to GRID)" "$build/cli/kestrune-batch" --input ascii \
    --ascii-folder "$work/ascii" --grid-folder "$work/grid"
  time_run "gdal_translate -of GTiff" gdal_translate -q -of GTiff "$work/ascii/dem.asc" "$work/gdal.tif"
done

report "kestrune (.asc to GRID)" "gdal_translate -of GTiff"
echo
echo "kestrune is $(ratio "gdal_translate -of GTiff" "kestrune (.asc to GRID)") x faster than gdal_translate"
echo "kestrune peak memory $(peak_mb "kestrune (.asc to GRID)") MB" \
  "(limit 2 x the raster's float size = $(( 2 * 4 * n * n / 1024 / 1024 )) MB)"
