#!/usr/bin/env bash
# Fails when a layer includes a layer above it, when the core includes Qt, or
# when GDAL is reached other than through its module (gis/gdal/, loaded on demand).
# The layers, lowest first: common <- xyz, gis <- run <- cli, gui.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

declare -A allowed=(
  [common]="common"
  [xyz]="common xyz"
  [gis]="common gis"
  [run]="common xyz gis run"
  [cli]="common run cli"
  [gui]="common run gui"
)

status=0
for layer in common xyz gis run cli gui; do
  while IFS=: read -r file line include; do
    folder=${include%%/*}
    if [[ " ${allowed[$layer]} " != *" $folder "* ]]; then
      echo "$file:$line: $layer/ may not include $include (it may include: ${allowed[$layer]})"
      status=1
    fi
  done < <(grep -n -o -E '^#include "[a-z_]+/[^"]+"' -r "$layer" --include='*.cpp' --include='*.hpp' |
           sed -E 's/#include "([^"]+)"/\1/')
  if [ "$layer" != gui ]; then
    if hits=$(grep -n -E '^#include <Q' -r "$layer" --include='*.cpp' --include='*.hpp'); then
      echo "$hits" | sed "s/\$/  ($layer\/ may not include Qt)/"
      status=1
    fi
  fi
done
# GDAL's headers and the module's own only inside the module: the programs
# load it when they need it, never link it.
if hits=$(grep -n -E '^#include (<(gdal|ogr|cpl)[a-z_]*\.h>|"gis/gdal/)' -r common xyz gis run cli gui \
            --include='*.cpp' --include='*.hpp' | grep -v '^gis/gdal/'); then
  echo "$hits" | sed 's/$/  (GDAL only in gis\/gdal\/, through gis\/gdal_services.hpp)/'
  status=1
fi
# Every include names its folder, so the rule above sees it.
if hits=$(grep -n -E '^#include "[^/"]+"' -r common xyz gis run cli gui --include='*.cpp' --include='*.hpp' | grep -v '\.moc"'); then
  echo "$hits" | sed 's/$/  (include with its folder: "layer\/name.hpp")/'
  status=1
fi
[ $status -eq 0 ] && echo "layers point one way"
exit $status
