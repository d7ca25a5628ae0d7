#!/usr/bin/env bash
# A folder of 64 XYZ tiles of 500 x 500 points of the benchmark terrain (cut
# from one 4000 x 4000 surface, NoData cells left out as gaps in the points),
# run through the whole chain: XYZ -> .asc -> GRID -> slope GRID and
# contours every 10 m. The same job with --threads 1, 2 and every hardware
# thread, each RUNS times in turn; prints how much faster 2 and all threads
# are than one.
#
# With --seamless: 16 GRID tiles of 1000 x 1000 cells of the same terrain
# (cut from one 4000 x 4000 surface), their slopes and contours every 10 m
# made as separate rasters and as tiles of one surface (--seamless), each
# RUNS times in turn; prints the time and peak memory of the seamless walk
# against the separate one.
# Usage: bench/tiles.sh [--seamless] [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seamless=no
if [ "${1:-}" = --seamless ]; then seamless=yes; shift; fi
build=${1:-"$root/build-bench"}
runs=${2:-3}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

if [ "$seamless" = yes ]; then
  work=$(mktemp -d /tmp/kestrune-bench-seamless.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  TIMES="$work/times"
  mkdir -p "$work/surface" "$work/ascii" "$work/grid" "$work/slope" "$work/contour"
  make_terrain "$build" "$work/surface" 4000
  export GDAL_PAM_ENABLED=NO
  for row in 0 1 2 3; do
    for column in 0 1 2 3; do
      gdal_translate -q -of AAIGrid -srcwin $((column * 1000)) $((row * 1000)) 1000 1000 \
        "$work/surface/dem" "$work/ascii/t${row}${column}.asc"
    done
  done
  "$build/cli/kestrune-batch" --quiet --input ascii --ascii-folder "$work/ascii" --grid-folder "$work/grid"
  rm -rf "$work/ascii" "$work/surface"
  echo "input: 16 GRID tiles of 1000 x 1000 cells of rough terrain; slopes and contours every 10 m"
  walk=("$build/cli/kestrune-batch" --quiet --grid-folder "$work/grid" --slope-folder "$work/slope"
    --contour-folder "$work/contour" --contour-interval 10)
  warm_up "${walk[@]}" --seamless
  for _ in $(seq "$runs"); do
    time_run "16 tiles, separate" "${walk[@]}"
    time_run "16 tiles, --seamless" "${walk[@]}" --seamless
  done
  report "16 tiles, separate" "16 tiles, --seamless"
  echo
  awk -v s="$(median "16 tiles, --seamless" 2)" -v t="$(median "16 tiles, separate" 2)" \
    -v sm="$(median "16 tiles, --seamless" 3)" -v tm="$(median "16 tiles, separate" 3)" \
    'BEGIN { printf "--seamless takes %.2f x the time and %.2f x the peak memory of separate rasters (at most 1.15 and 1.2)\n", s / t, sm / tm }'
  exit 0
fi

work=$(mktemp -d /tmp/kestrune-bench-tiles.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/ascii" "$work/grid" "$work/slope" "$work/contour"
bash "$root/bench/make_tiles.sh" "$build" "$work/xyz" 7 "$terrain_kind"
all=$(nproc)
echo "input: 64 tiles of 500 x 500 points, $(du -sm "$work/xyz" | cut -f1) MB; this machine has $all hardware threads"
sync

job=("$build/cli/kestrune-batch" --input xyz --xyz-folder "$work/xyz" --ascii-folder "$work/ascii"
  --grid-folder "$work/grid" --slope-folder "$work/slope" --contour-folder "$work/contour" --contour-interval 10)
counts=(1 2)
[ "$all" -gt 2 ] && counts+=("$all")
warm_up "${job[@]}" --threads "$all"
for _ in $(seq "$runs"); do
  for threads in "${counts[@]}"; do time_run "tiles, --threads $threads" "${job[@]}" --threads "$threads"; done
done

labels=()
for threads in "${counts[@]}"; do labels+=("tiles, --threads $threads"); done
report "${labels[@]}"
echo
for threads in "${counts[@]:1}"; do
  echo "--threads $threads is $(ratio "tiles, --threads 1" "tiles, --threads $threads") x faster than --threads 1"
done
if [ "$all" -le 2 ]; then
  echo "all threads ($all) is $(ratio "tiles, --threads 1" "tiles, --threads $all") x faster than --threads 1"
fi
