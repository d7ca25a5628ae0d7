#!/usr/bin/env bash
# Sets up, builds and runs Kestrune. With a display it opens the window;
# without one it runs kestrune-batch over the bundled sample data: every XYZ
# tile of samples/xyz becomes an ESRI ASCII raster, an ESRI GRID, a slope
# GRID and a contour shapefile in a fresh folder under out/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" -DKESTRUNE_TESTS=OFF

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/gui/kestrune"
fi

results="$root/out/run-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$results"/{ascii,grid,slope,contour}
status=0
"$root/build/cli/kestrune-batch" --input xyz --xyz-folder "$root/samples/xyz" \
  --ascii-folder "$results/ascii" --grid-folder "$results/grid" \
  --slope-folder "$results/slope" --contour-folder "$results/contour" \
  --contour-interval 10 || status=$?
echo
echo "Results are in $results"
exit $status
