#!/usr/bin/env bash
# Writes 64 XYZ tiles of 500 x 500 points into OUT_FOLDER, cut from one
# 4000 x 4000 surface of terrain (bench-make-terrain); NoData
# cells are left out, as gaps in the points. Extra arguments go to
# bench-make-terrain after its size.
# Usage: bench/make_tiles.sh BUILD_DIR OUT_FOLDER [TERRAIN_ARGS...]
set -euo pipefail
build=$1
out=$2
shift 2
surface=$(mktemp -d /tmp/kestrune-surface.XXXXXX)
trap 'rm -rf "$surface"' EXIT
mkdir -p "$out"
"$build/bench/bench-make-terrain" "$surface" 4000 "$@"
export GDAL_PAM_ENABLED=NO
for row in $(seq 0 7); do
  for column in $(seq 0 7); do
    tile="$out/tile_${row}_${column}.xyz"
    gdal_translate -q -of XYZ -srcwin $((column * 500)) $((row * 500)) 500 500 "$surface/dem" "$tile.full"
    grep -v 'e+38' "$tile.full" > "$tile"  # NoData cells: no point
    rm "$tile.full"
  done
done
