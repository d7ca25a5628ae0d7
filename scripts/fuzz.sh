#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# SECONDS (default 15), starting from good inputs (samples/ and files our own
# writers make) and from every input that once broke a target
# (tests/fuzz/regressions/<target>/). An input that breaks a target is kept
# in tests/fuzz/found/ and fails the script: fix the code, then move the
# input into tests/fuzz/regressions/<target>/, where the test suite replays it.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
build="$root/build-fuzz"
targets=(xyzReader asciiReader gridReader infoTables)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON \
  -DKESTRUNE_TESTS=OFF -DKESTRUNE_GUI=OFF > /dev/null
cmake --build "$build" --target fuzz-make-seeds "${targets[@]/#/fuzz-}" > /dev/null

# The targets live deeper than the programs: name the GDAL module they load.
export KESTRUNE_GDAL_MODULE="$build/lib/kestrune/libkestrune_gdal.so"
work=$(mktemp -d /tmp/kestrune-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/tests/fuzz/fuzz-make-seeds" "$work/seeds"
mkdir -p "$work/seeds/xyzReader" "$root/tests/fuzz/found"
cp "$root"/samples/xyz/*.xyz "$work/seeds/xyzReader/"

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in "${targets[@]}"; do
  corpus="$work/corpus/$target"
  mkdir -p "$corpus"
  cp "$work/seeds/$target"/* "$corpus/"
  find "$root/tests/fuzz/regressions/$target" -type f ! -name '.*' -exec cp {} "$corpus/" \;
  if "$build/tests/fuzz/fuzz-$target" "$corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
       -artifact_prefix="$root/tests/fuzz/found/$target-" -print_final_stats=1 > "$work/$target.log" 2>&1; then
    echo "fuzz-$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target.log" | grep -o '[0-9]*$') inputs in ${seconds} s, none broke it"
  else
    echo "fuzz-$target found an input that breaks it (kept in tests/fuzz/found/):"
    tail -n 30 "$work/$target.log"
    status=1
  fi
done
exit $status
