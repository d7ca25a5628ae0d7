#!/usr/bin/env bash
# XYZ to ESRI ASCII raster: Kestrune's engine against gdal_translate (GDAL's
# XYZ reader) and gmt xyz2grd on one 2000 x 2000 lattice (4 million points,
# about 110 MB, CR LF, one blank), each run RUNS times in turn. Every command
# writes an ESRI ASCII raster (gmt through its "ef" format).
# Usage: bench/xyz_to_ascii.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
source "$root/bench/common.sh"
build_bench_tools "$build" bench-xyz-to-ascii

work=$(mktemp -d /tmp/kestrune-bench-xyz.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
python3 "$root/bench/make_xyz_lattice.py" "$work/lattice.xyz" 2000
points=4000000
cells=4000000
echo "input: $(du -m "$work/lattice.xyz" | cut -f1) MB, $points points"
sync  # the new input on disk, so no run pays for writing it back

warm_up "$build/bench/bench-xyz-to-ascii" "$work/lattice.xyz" "$work/ours.asc"
warm_up gdal_translate -q -of AAIGrid "$work/lattice.xyz" "$work/gdal.asc"
for _ in $(seq "$runs"); do
  time_run "kestrune (XYZ to .asc)" "$build/bench/bench-xyz-to-ascii" "$work/lattice.xyz" "$work/ours.asc"
  time_run "gdal_translate -of AAIGrid" gdal_translate -q -of AAIGrid "$work/lattice.xyz" "$work/gdal.asc"
  # gmt keeps a gmt.history in the folder it runs in: the temporary one.
  (cd "$work" && time_run "gmt xyz2grd (.asc)" gmt xyz2grd "$work/lattice.xyz" -R500000/519990/5100000/5119990 -I10 \
    -G"$work/gmt.asc=ef" -di-9999)
done

report "kestrune (XYZ to .asc)" "gdal_translate -of AAIGrid" "gmt xyz2grd (.asc)"
echo
echo "kestrune is $(ratio "gdal_translate -of AAIGrid" "kestrune (XYZ to .asc)") x faster than gdal_translate" \
  "and $(ratio "gmt xyz2grd (.asc)" "kestrune (XYZ to .asc)") x faster than gmt xyz2grd"
limit=$(( 2 * (24 * points + 8 * cells) / 1024 / 1024 ))
echo "kestrune peak memory $(peak_mb "kestrune (XYZ to .asc)") MB (limit 2 x (24 B/point + 8 B/cell) = $limit MB)"
