#!/usr/bin/env bash
# Makes the screenshots in docs/: the main window (as it opens and with "XYZ
# File" chosen), the About box and the folder dialog, drawn by Qt on an Xvfb
# display at 96 dots per inch, at 1x and at 1.5x, grabbed by the program
# itself; docs/kestrune-window.png, the README's, is the 1x main window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/docs"}
mkdir -p "$out"
cmake --build "$root/build" --target kestrune-screenshot > /dev/null
# shoot SUFFIX [VARIABLE=VALUE ...]
shoot() {
  local suffix=$1
  shift
  env "$@" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
    "$root/build/gui/kestrune-screenshot" "$out" "$suffix"
}
shoot -1x
shoot -1.5x QT_SCALE_FACTOR=1.5 QT_FONT_DPI=120
cp "$out/window-1x.png" "$out/kestrune-window.png"
echo "wrote $out"
