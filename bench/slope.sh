#!/usr/bin/env bash
# Slope of one float GRID of rough fractal terrain: kestrune-batch against
# gdaldem slope, which reads the same raster as GeoTIFF (its fastest input),
# each run RUNS times in turn.
# Usage: bench/slope.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-8000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-slope.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/grid" "$work/slope" "$work/peer"
"$build/bench/bench-make-terrain" "$work/grid" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of GTiff "$work/grid/dem" "$work/dem.tif"
echo "input: $n x $n float GRID of rough terrain, and the same raster as GeoTIFF for gdaldem"
sync

warm_up "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
warm_up gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
for _ in $(seq "$runs"); do
  time_run "kestrune slope" "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
  time_run "gdaldem slope" gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
done

report "kestrune slope" "gdaldem slope"
echo
echo "slope: kestrune is $(ratio "gdaldem slope" "kestrune slope") x faster than gdaldem" \
  "(peak $(peak_mb "kestrune slope") MB against $(peak_mb "gdaldem slope") MB)"
