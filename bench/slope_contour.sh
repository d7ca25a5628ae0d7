#!/usr/bin/env bash
# Slope and contours of one 8000 x 8000 float GRID of a smooth surface:
# kestrune-batch against gdaldem slope and gdal_contour -i 5, which read the
# same raster as GeoTIFF (their fastest input), each run RUNS times in turn.
# Usage: bench/slope_contour.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-8000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-grid

work=$(mktemp -d /tmp/kestrune-bench-terrain.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/grid" "$work/slope" "$work/contour" "$work/peer"
"$build/bench/bench-make-grid" "$work/grid" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of GTiff "$work/grid/dem" "$work/dem.tif"
echo "input: $n x $n float GRID, and the same raster as GeoTIFF for the peers"
sync  # the new input on disk, so no run pays for writing it back

warm_up "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
warm_up gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
for _ in $(seq "$runs"); do
  time_run "kestrune slope" "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
  time_run "gdaldem slope" gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
  time_run "kestrune contours -i 5" "$build/cli/kestrune-batch" --grid-folder "$work/grid" \
    --contour-folder "$work/contour" --contour-interval 5
  rm -f "$work/peer/contour".*
  time_run "gdal_contour -i 5" gdal_contour -q -i 5 -a CONTOUR "$work/dem.tif" "$work/peer/contour.shp"
done

report "kestrune slope" "gdaldem slope" "kestrune contours -i 5" "gdal_contour -i 5"
echo
echo "slope: kestrune is $(ratio "gdaldem slope" "kestrune slope") x faster than gdaldem" \
  "(peak $(peak_mb "kestrune slope") MB against $(peak_mb "gdaldem slope") MB)"
echo "contours: kestrune is $(ratio "gdal_contour -i 5" "kestrune contours -i 5") x as fast as gdal_contour" \
  "(peak $(peak_mb "kestrune contours -i 5") MB against $(peak_mb "gdal_contour -i 5") MB)"
