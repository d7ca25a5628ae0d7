#!/usr/bin/env bash
# XYZ to ESRI ASCII raster: Kestrune's engine against gdal_translate (GDAL's
# XYZ reader) and gmt xyz2grd on the points of a 2000 x 2000 raster of the
# benchmark terrain (4 million points, one blank between columns), in rows
# from the north as most DEM exports are and shuffled (which gdal_translate
# does not read), each run RUNS times in turn; and the floor: reading the
# points and writing the output's bytes. Every command writes an ESRI ASCII
# raster (gmt through its "ef" format).
# Usage: bench/xyz_to_ascii.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
source "$root/bench/common.sh"
build_bench_tools "$build" bench-xyz-to-ascii bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-xyz.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/terrain"
make_terrain "$build" "$work/terrain" 2000
# The corner the terrain's GRID has, for gmt's region; NoData cells are no points.
GDAL_PAM_ENABLED=NO gdal_translate -q -of XYZ "$work/terrain/dem" "$work/all.xyz"
grep -v 'e+38' "$work/all.xyz" > "$work/lattice.xyz"
shuf --random-source=<(yes) "$work/lattice.xyz" > "$work/shuffled.xyz"
rm -rf "$work/terrain" "$work/all.xyz"
points=$(wc -l < "$work/lattice.xyz")
cells=4000000
echo "input: $(du -m "$work/lattice.xyz" | cut -f1) MB, $points points"
sync  # the new input on disk, so no run pays for writing it back

warm_up "$build/bench/bench-xyz-to-ascii" "$work/lattice.xyz" "$work/ours.asc"
warm_up gdal_translate -q -of AAIGrid "$work/lattice.xyz" "$work/gdal.asc"
output_bytes=$(bytes_of "$work/ours.asc")
region=-R600005/619995/5200005/5219995  # the cell centres
for _ in $(seq "$runs"); do
  time_run "kestrune (XYZ to .asc)" "$build/bench/bench-xyz-to-ascii" "$work/lattice.xyz" "$work/ours.asc"
  time_run "kestrune, shuffled" "$build/bench/bench-xyz-to-ascii" "$work/shuffled.xyz" "$work/ours.asc"
  time_run "gdal_translate -of AAIGrid" gdal_translate -q -of AAIGrid "$work/lattice.xyz" "$work/gdal.asc"
  # gmt keeps a gmt.history in the folder it runs in: the temporary one.
  (cd "$work" && time_run "gmt xyz2grd (.asc)" gmt xyz2grd "$work/lattice.xyz" "$region" -I10 \
    -G"$work/gmt.asc=ef" -di-9999)
  (cd "$work" && time_run "gmt xyz2grd, shuffled" gmt xyz2grd "$work/shuffled.xyz" "$region" -I10 \
    -G"$work/gmt.asc=ef" -di-9999)
  floor_read "floor: read the input" "$work/lattice.xyz"
  floor_write "floor: write the output" "$work" "$output_bytes"
done

report "kestrune (XYZ to .asc)" "kestrune, shuffled" "gdal_translate -of AAIGrid" "gmt xyz2grd (.asc)" \
  "gmt xyz2grd, shuffled" "floor: read the input" "floor: write the output" "floor: write the output, through the cache"
echo
echo "kestrune is $(ratio "gdal_translate -of AAIGrid" "kestrune (XYZ to .asc)") x faster than gdal_translate" \
  "and $(ratio "gmt xyz2grd (.asc)" "kestrune (XYZ to .asc)") x faster than gmt xyz2grd;" \
  "shuffled, $(ratio "gmt xyz2grd, shuffled" "kestrune, shuffled") x faster than gmt xyz2grd"
echo "kestrune takes $(of_floor "kestrune (XYZ to .asc)" "floor: read the input" "floor: write the output") x the floor of reading and writing"
limit=$(( 2 * (24 * points + 8 * cells) / 1024 / 1024 ))
echo "kestrune peak memory $(peak_mb "kestrune (XYZ to .asc)") MB (limit 2 x (24 B/point + 8 B/cell) = $limit MB)"
