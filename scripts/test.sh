#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite on a release build,
# then the unit tests again under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

export GDAL_PAM_ENABLED=NO
bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure --parallel 2)

bash "$root/scripts/build.sh" "$root/build-sanitize" -DKESTRUNE_SANITIZE=ON -DKESTRUNE_GUI=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$root/build-sanitize" && ctest --output-on-failure --parallel 2 -L unit)
