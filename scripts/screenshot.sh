#!/usr/bin/env bash
# Makes docs/kestrune-window.png: the real main window as it opens, drawn by
# Qt on an Xvfb display at 96 dots per inch and grabbed by the program itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs/kestrune-window.png"}
mkdir -p "$(dirname "$out")"
cmake --build "$root/build" --target kestrune-screenshot > /dev/null
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "$root/build/gui/kestrune-screenshot" "$out"
echo "wrote $out"
