#!/usr/bin/env bash
# Contours of the benchmark terrain (mountains like a real DEM's, see
# bench-make-terrain; KESTRUNE_BENCH_TERRAIN=fractal for the earlier one):
# kestrune-batch on all threads and on one, against gdal_contour on the same
# raster as GeoTIFF (its fastest input), interval 10, each run RUNS times in
# turn; and the floors: writing the output's bytes to the same folder,
# reading the input, and tracing the lines without writing them; then
# whether our lines are gdal_contour's, vertex for vertex.
# Usage: bench/contours.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-4000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain bench-trace-contours

work=$(mktemp -d /tmp/kestrune-bench-contours.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/grid" "$work/ours" "$work/peer"
make_terrain "$build" "$work/grid" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of GTiff "$work/grid/dem" "$work/dem.tif"
threads=$(nproc)
echo "input: $n x $n float GRID of $terrain_kind terrain, and the same raster as GeoTIFF for gdal_contour; $threads threads"
sync

ours() { "$build/cli/kestrune-batch" --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10; }
warm_up ours
output_bytes=$(bytes_of "$work/ours"/dem.shp "$work/ours"/dem.shx "$work/ours"/dem.dbf)
# Every command writes its lines into a folder without an earlier output
# (freeing the blocks of 735 MB replaced takes a tenth of a second).
for _ in $(seq "$runs"); do
  rm -f "$work/ours"/dem.*
  time_run "kestrune, $threads threads" env KESTRUNE_NUM_THREADS="$threads" "$build/cli/kestrune-batch" \
    --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10
  rm -f "$work/ours"/dem.*
  time_run "kestrune, 1 thread" env KESTRUNE_NUM_THREADS=1 "$build/cli/kestrune-batch" \
    --grid-folder "$work/grid" --contour-folder "$work/ours" --contour-interval 10
  rm -f "$work/peer"/contour.*
  time_run "gdal_contour -i 10" gdal_contour -q -i 10 -a CONTOUR "$work/dem.tif" "$work/peer/contour.shp"
  floor_write "floor: write the output" "$work/ours" "$output_bytes"
  floor_read "floor: read the input" "$work/grid/dem/w001001.adf"
  time_run "floor: trace, no writing" env KESTRUNE_NUM_THREADS="$threads" "$build/bench/bench-trace-contours" \
    "$work/grid/dem" 10
done

report "kestrune, $threads threads" "kestrune, 1 thread" "gdal_contour -i 10" "floor: write the output" "floor: write the output, through the cache" \
  "floor: read the input" "floor: trace, no writing"
echo
echo "output: $(stat -c %s "$work/ours/dem.shp") bytes of .shp against gdal_contour's $(stat -c %s "$work/peer/contour.shp")," \
  "$(( ($(stat -c %s "$work/ours/dem.shx") - 100) / 8 )) lines"
echo "kestrune is $(ratio "gdal_contour -i 10" "kestrune, $threads threads") x faster than gdal_contour" \
  "(peak $(peak_mb "kestrune, $threads threads") MB against $(peak_mb "gdal_contour -i 10") MB:" \
  "$(awk -v o="$(median "kestrune, $threads threads" 3)" -v p="$(median "gdal_contour -i 10" 3)" 'BEGIN { printf "%.2f", o / p }') of it)"
echo "$threads threads are $(ratio "kestrune, 1 thread" "kestrune, $threads threads") x as fast as 1"
echo "kestrune takes $(of_floor "kestrune, $threads threads" "floor: write the output") x the floor of writing its bytes" \
  "($(of_floor "kestrune, $threads threads" "floor: write the output, through the cache") x through the cache)," \
  "$(of_floor "kestrune, $threads threads" "floor: write the output" "floor: read the input") x reading and writing," \
  "$(of_floor "kestrune, $threads threads" "floor: trace, no writing") x tracing alone"
python3 "$root/bench/contour_stats.py" "$work/ours/dem.shp"
python3 "$root/bench/same_lines.py" "$work/ours/dem.shp" "$work/peer/contour.shp"
