#!/usr/bin/env bash
# Slope of one float GRID of the benchmark terrain (see bench-make-terrain):
# kestrune-batch against gdaldem slope, which reads the same raster as
# GeoTIFF (its fastest input), each run RUNS times in turn; and the floor:
# reading the input and writing the output's bytes.
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
make_terrain "$build" "$work/grid" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of GTiff "$work/grid/dem" "$work/dem.tif"
echo "input: $n x $n float GRID of $terrain_kind terrain, and the same raster as GeoTIFF for gdaldem"
sync

warm_up "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
warm_up gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
output_bytes=$(bytes_of "$work/slope/dem")
for _ in $(seq "$runs"); do
  time_run "kestrune slope" "$build/cli/kestrune-batch" --grid-folder "$work/grid" --slope-folder "$work/slope"
  time_run "gdaldem slope" gdaldem slope -q "$work/dem.tif" "$work/peer/slope.tif"
  floor_write "floor: write the output" "$work/slope" "$output_bytes"
  floor_read "floor: read the input" "$work/grid/dem/w001001.adf"
done

report "kestrune slope" "gdaldem slope" "floor: write the output" "floor: write the output, through the cache" "floor: read the input"
echo
echo "slope: kestrune is $(ratio "gdaldem slope" "kestrune slope") x faster than gdaldem" \
  "(peak $(peak_mb "kestrune slope") MB against $(peak_mb "gdaldem slope") MB)"
echo "kestrune takes $(of_floor "kestrune slope" "floor: write the output" "floor: read the input") x the floor of reading and writing"
