#!/usr/bin/env bash
# Makes docs/running-0.5s-1x.png and docs/running-0.9s-1x.png: the window 0.5 and
# 0.9 seconds after "Go" on the contours of a 4000 x 4000 GRID of rough
# terrain (every 5 m), under Xvfb; prints what the status line and its bar
# showed each time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs"}
source "$root/bench/common.sh"
build_bench_tools "$root/build-bench" bench-make-terrain kestrune-screenshot
work=$(mktemp -d /tmp/kestrune-screenshot.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/grid" "$work/contours"
"$root/build-bench/bench/bench-make-terrain" "$work/grid" 4000
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
  "$root/build-bench/gui/kestrune-screenshot" "$out" -1x "$work/grid" "$work/contours"
