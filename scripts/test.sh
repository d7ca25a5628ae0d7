#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite on a release build,
# then the unit tests again under AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

export GDAL_PAM_ENABLED=NO
bash "$root/scripts/build.sh" "$root/build" -DKESTRUNE_TESTS=ON -DKESTRUNE_GUI=ON
(cd "$root/build" && ctest --output-on-failure --parallel 2)

bash "$root/scripts/build.sh" "$root/build-sanitize" -DKESTRUNE_SANITIZE=ON -DKESTRUNE_GUI=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$root/build-sanitize" && ctest --output-on-failure --parallel 2 -L unit)
