#!/usr/bin/env bash
# Fails when a C++ file of the tree is not formatted as .clang-format says.
# Fix with: clang-format -i $(git ls-files '*.cpp' '*.hpp')
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.hpp')
clang-format --dry-run --Werror "${files[@]}"
echo "formatted: ${#files[@]} files"
