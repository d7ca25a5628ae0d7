#!/usr/bin/env bash
# Contours of rough fractal terrain (ridges and valleys down to the size of a
# cell, 10 m cells, about 470 to 1100 m): kestrune-batch on all threads and
# on one, against gdal_contour on the same raster as GeoTIFF (its fastest
# input), interval 10, each run RUNS times in turn.
# Usage: bench/contours.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-4000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-contours.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/grid" "$work/ours" "$work/peer"
"$build/bench/bench-make-terrain" "$work/grid" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of GTiff "$work/grid/dem" "$work/dem.tif"
threads=$(nproc)
echo "input: $n x $n float GRID of rough terrain, and the same raster as GeoTIFF for gdal_contour; $threads threads"
sync

ours() { "$build/cli/kestrune-batch" --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10; }
warm_up ours
for _ in $(seq "$runs"); do
  time_run "kestrune, $threads threads" env KESTRUNE_NUM_THREADS="$threads" "$build/cli/kestrune-batch" \
    --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10
  time_run "kestrune, 1 thread" env KESTRUNE_NUM_THREADS=1 "$build/cli/kestrune-batch" \
    --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10
  rm -f "$work/peer"/contour.*
  time_run "gdal_contour -i 10" gdal_contour -q -i 10 -a CONTOUR "$work/dem.tif" "$work/peer/contour.shp"
done

report "kestrune, $threads threads" "kestrune, 1 thread" "gdal_contour -i 10"
echo
echo "output: $(stat -c %s "$work/ours/dem.shp") bytes of .shp against gdal_contour's $(stat -c %s "$work/peer/contour.shp")," \
  "$(( ($(stat -c %s "$work/ours/dem.shx") - 100) / 8 )) lines"
echo "kestrune is $(ratio "gdal_contour -i 10" "kestrune, $threads threads") x faster than gdal_contour" \
  "(peak $(peak_mb "kestrune, $threads threads") MB against $(peak_mb "gdal_contour -i 10") MB:" \
  "$(awk -v o="$(median "kestrune, $threads threads" 3)" -v p="$(median "gdal_contour -i 10" 3)" 'BEGIN { printf "%.2f", o / p }') of it)"
echo "$threads threads are $(ratio "kestrune, 1 thread" "kestrune, $threads threads") x as fast as 1"
