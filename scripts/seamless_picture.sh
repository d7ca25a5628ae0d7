#!/usr/bin/env bash
# Makes docs/seamless-border.png: where four tiles of one DEM meet, their
# slopes (grey, steeper darker) and contours every 20 m (black), made as
# separate rasters (left) and with --seamless (right). Four GRID tiles of
# 300 x 300 cells are cut from one 600 x 600 surface of rough terrain; the
# picture shows the 30 x 30 cells around their common corner, 12 pixels a
# cell, with the tile borders in red. Drawn by GDAL alone.
# Usage: scripts/seamless_picture.sh [OUT_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs"}
source "$root/bench/common.sh"
build_bench_tools "$root/build-bench" bench-make-terrain kestrune-batch
batch=$root/build-bench/cli/kestrune-batch
work=$(mktemp -d /tmp/kestrune-seamless-picture.XXXXXX)
trap 'rm -rf "$work"' EXIT
export GDAL_PAM_ENABLED=NO
mkdir -p "$work/surface" "$work/ascii" "$work/grid"
"$root/build-bench/bench/bench-make-terrain" "$work/surface" 600
for row in 0 1; do
  for column in 0 1; do
    gdal_translate -q -of AAIGrid -a_srs EPSG:32632 -srcwin $((column * 300)) $((row * 300)) 300 300 \
      "$work/surface/dem" "$work/ascii/t$row$column.asc"
  done
done
"$batch" --quiet --input ascii --ascii-folder "$work/ascii" --grid-folder "$work/grid"

# Slope from 0 (white) to 60 degrees and more (grey).
printf "0 255 255 255\n30 200 200 200\n60 130 130 130\nnv 255 255 255\n" > "$work/slope.txt"
window=(-srcwin 285 285 30 30)
pixels=360
panel() {  # panel NAME [--seamless]: the picture of one walk
  local name=$1; shift
  mkdir -p "$work/$name/slope" "$work/$name/contour"
  "$batch" --quiet --grid-folder "$work/grid" --slope-folder "$work/$name/slope" \
    --contour-folder "$work/$name/contour" --contour-interval 20 "$@"
  gdalbuildvrt -q "$work/$name/slope.vrt" "$work/$name"/slope/t??/hdr.adf
  gdal_translate -q "${window[@]}" "$work/$name/slope.vrt" "$work/$name/window.tif"
  gdaldem color-relief -q "$work/$name/window.tif" "$work/slope.txt" "$work/$name/grey.tif"
  gdal_translate -q -a_srs EPSG:32632 -outsize $pixels $pixels -r nearest "$work/$name/grey.tif" "$work/$name/picture.tif"
  # The tile borders, then the lines of each tile.
  read -r x y <<< "$(gdalinfo "$work/$name/slope.vrt" | awk '/^Center/ { gsub(/[(),]/, " "); print $2, $3 }')"
  printf '{"type": "FeatureCollection", "features": [%s, %s]}\n' \
    "{\"type\": \"Feature\", \"properties\": {}, \"geometry\": {\"type\": \"LineString\", \"coordinates\": [[$x, $((${y%.*} - 1000))], [$x, $((${y%.*} + 1000))]]}}" \
    "{\"type\": \"Feature\", \"properties\": {}, \"geometry\": {\"type\": \"LineString\", \"coordinates\": [[$((${x%.*} - 1000)), $y], [$((${x%.*} + 1000)), $y]]}}" \
    > "$work/borders.geojson"
  # The terrain lies at UTM-like coordinates; GeoJSON would take them for degrees.
  sed -i 's/"FeatureCollection", /"FeatureCollection", "crs": {"type": "name", "properties": {"name": "EPSG:32632"}}, /' "$work/borders.geojson"
  gdal_rasterize -q -b 1 -b 2 -b 3 -burn 220 -burn 30 -burn 30 "$work/borders.geojson" "$work/$name/picture.tif"
  for lines in "$work/$name"/contour/t??.shp; do
    gdal_rasterize -q -b 1 -b 2 -b 3 -burn 0 -burn 0 -burn 0 "$lines" "$work/$name/picture.tif"
  done
}
panel separate
panel seamless --seamless
# Side by side, 12 pixels apart.
read -r west north <<< "$(gdalinfo "$work/separate/picture.tif" | awk '/^Upper Left/ { gsub(/[(),]/, " "); printf "%d %d\n", $3, $4 }')"
size=300  # 30 cells of 10 m
gdal_translate -q -a_ullr $((west + size + 20)) "$north" $((west + 2 * size + 20)) $((north - size)) \
  "$work/seamless/picture.tif" "$work/right.tif"
gdalbuildvrt -q -srcnodata none -vrtnodata 255 "$work/both.vrt" "$work/separate/picture.tif" "$work/right.tif"
gdal_translate -q -of PNG "$work/both.vrt" "$out/seamless-border.png"
echo "wrote $out/seamless-border.png"
