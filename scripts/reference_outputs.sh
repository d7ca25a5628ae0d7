#!/usr/bin/env bash
# Runs two reference jobs with a build's kestrune-batch and prints the digest
# of every output (scripts/output_digests.py): the bundled samples through the
# whole chain, and the 64 tiles of bench/tiles.sh (XYZ -> .asc -> GRID, slope
# GRIDs, contours every 10 m). A change that must not change any output keeps
# the digests of the build before it: save them, rebuild, diff.
# Usage: scripts/reference_outputs.sh [BUILD_DIR] > digests.txt
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain
export GDAL_PAM_ENABLED=NO

work=$(mktemp -d /tmp/kestrune-reference.XXXXXX)
trap 'rm -rf "$work"' EXIT
chain() {  # chain XYZ_FOLDER OUTPUT_FOLDER
  mkdir -p "$2"/{ascii,grid,slope,contour}
  "$build/cli/kestrune-batch" --input xyz --xyz-folder "$1" --ascii-folder "$2/ascii" --grid-folder "$2/grid" \
    --slope-folder "$2/slope" --contour-folder "$2/contour" --contour-interval 10 2> "$2.log" ||
    { cat "$2.log" >&2; exit 1; }
}

chain "$root/samples/xyz" "$work/samples"
bash "$root/bench/make_tiles.sh" "$build" "$work/tiles-xyz" 7 fractal  # the terrain the digests were first taken on
chain "$work/tiles-xyz" "$work/tiles"
cd "$work"
python3 "$root/scripts/output_digests.py" samples tiles
