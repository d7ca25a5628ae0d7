#!/usr/bin/env bash
# Contours too large for a shapefile: a GeoPackage of the benchmark terrain
# at interval 10 (about 3 GB; as a shapefile it would pass 2 GB) against the
# shapefile of the same terrain at interval 20, each run RUNS times in turn;
# the floor is writing the GeoPackage's bytes to the same folder.
# Usage: bench/geopackage.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-1}
n=${3:-8000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-gpkg.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/grid" "$work/gpkg" "$work/shp"
make_terrain "$build" "$work/grid" "$n"
echo "input: $n x $n float GRID of $terrain_kind terrain; $(nproc) threads"
sync

batch=("$build/cli/kestrune-batch" --grid-folder "$work/grid")
for _ in $(seq "$runs"); do
  time_run "GeoPackage, interval 10" "${batch[@]}" --contour-folder "$work/gpkg" --contour-interval 10 \
    --contour-format gpkg
  time_run "shapefile, interval 20" "${batch[@]}" --contour-folder "$work/shp" --contour-interval 20
  floor_write "floor: write the GeoPackage" "$work/gpkg" "$(bytes_of "$work/gpkg/dem.gpkg")"
done

report "GeoPackage, interval 10" "shapefile, interval 20" "floor: write the GeoPackage" "floor: write the GeoPackage, through the cache"
echo
echo "output: $(stat -c %s "$work/gpkg/dem.gpkg") bytes of GeoPackage, $(ogrinfo -so "$work/gpkg/dem.gpkg" dem | sed -n 's/^Feature Count: //p') lines;" \
  "$(stat -c %s "$work/shp/dem.shp") bytes of .shp at interval 20"
echo "the GeoPackage at interval 10 takes $(of_floor "GeoPackage, interval 10" "shapefile, interval 20") x the shapefile at interval 20," \
  "$(of_floor "GeoPackage, interval 10" "floor: write the GeoPackage") x the floor of writing its bytes"
