#!/usr/bin/env bash
# Sets up, builds and runs every test: the format check, the whole suite on a
# release build (warnings as errors), the unit tests again under
# AddressSanitizer with UBSan and under ThreadSanitizer, the fuzz targets for
# a short while each, then the .deb, unpacked and run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
export GDAL_PAM_ENABLED=NO

step() { printf '\n== %s\n' "$*"; }

step "format"
bash scripts/check_format.sh

for preset in release asan tsan; do
  step "$preset: build and test"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  # A test skipped where this machine cannot run it says why.
  if [ "$preset" = release ]; then grep -h "^SKIPPED:" build/Testing/Temporary/LastTest.log || true; fi
done

step "fuzz"
bash scripts/fuzz.sh 15

step "package"
cmake --build --preset release --target package > /dev/null
bash scripts/check_package.sh build/kestrune_*.deb
