#!/usr/bin/env bash
# A folder of 64 XYZ tiles of 500 x 500 points of rough fractal terrain (cut
# from one 4000 x 4000 surface, NoData cells left out as gaps in the points),
# run through the whole chain: XYZ -> .asc -> GRID -> slope GRID and
# contours every 10 m. The same job with --threads 1, 2 and every hardware
# thread, each RUNS times in turn; prints how much faster 2 and all threads
# are than one.
# Usage: bench/tiles.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
runs=${2:-3}
source "$root/bench/common.sh"
build_bench_tools "$build" kestrune-batch bench-make-terrain

work=$(mktemp -d /tmp/kestrune-bench-tiles.XXXXXX)
trap 'rm -rf "$work"' EXIT
TIMES="$work/times"
mkdir -p "$work/ascii" "$work/grid" "$work/slope" "$work/contour"
bash "$root/bench/make_tiles.sh" "$build" "$work/xyz"
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
