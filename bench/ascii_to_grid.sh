#!/usr/bin/env bash
# ESRI ASCII raster to GRID: kestrune-batch --input ascii against
# gdal_translate -of GTiff (GDAL cannot write GRIDs; GeoTIFF is the nearest
# peer) on one 8000 x 8000 raster of the benchmark terrain (see
# bench-make-terrain), heights to the millimetre, each run RUNS times in
# turn; and the floor: reading the text and writing the GRID's bytes.
# Usage: bench/ascii_to_grid.sh [BUILD_DIR] [RUNS] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
n=${3:-8000}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-asc.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/ascii" "$work/grid" "$work/terrain"
make_terrain "$build" "$work/terrain" "$n"
GDAL_PAM_ENABLED=NO gdal_translate -q -of AAIGrid -co DECIMAL_PRECISION=3 "$work/terrain/dem" "$work/ascii/dem.asc"
rm -rf "$work/terrain"
echo "input: $(du -m "$work/ascii/dem.asc" | cut -f1) MB, $n x $n cells"
sync  # the new input on disk, so no run pays for writing it back

warm_up "$build/cli/kestrune-batch" --input ascii --ascii-folder "$work/ascii" --grid-folder "$work/grid"
output_bytes=$(bytes_of "$work/grid/dem")
for _ in $(seq "$runs"); do
  rm -rf "$work/grid" && mkdir "$work/grid"
  time_run "kestrune (.asc to GRID)" "$build/cli/kestrune-batch" --input ascii \
    --ascii-folder "$work/ascii" --grid-folder "$work/grid"
  time_run "gdal_translate -of GTiff" gdal_translate -q -of GTiff "$work/ascii/dem.asc" "$work/gdal.tif"
  floor_read "floor: read the input" "$work/ascii/dem.asc"
  floor_write "floor: write the output" "$work/grid" "$output_bytes"
done

report "kestrune (.asc to GRID)" "gdal_translate -of GTiff" "floor: read the input" "floor: write the output" "floor: write the output, through the cache"
echo
echo "kestrune is $(ratio "gdal_translate -of GTiff" "kestrune (.asc to GRID)") x faster than gdal_translate"
echo "kestrune takes $(of_floor "kestrune (.asc to GRID)" "floor: read the input" "floor: write the output") x the floor of reading and writing"
echo "kestrune peak memory $(peak_mb "kestrune (.asc to GRID)") MB" \
  "(limit 2 x the raster's float size = $(( 2 * 4 * n * n / 1024 / 1024 )) MB)"
