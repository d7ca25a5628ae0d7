#!/usr/bin/env bash
# Installs the Debian 12 packages that Kestrune's build, tests and benchmarks
# need. Quick when everything is present; safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libgdal-dev gdal-bin libsqlite3-dev
  libfast-float-dev libsleef-dev
  libgtest-dev
  gmt
  xvfb xauth
  time python3
  locales-all dpkg-dev clang-format lintian bsdutils strace
  clang libclang-rt-14-dev
  parallel slurm-wlm munge
  fonts-liberation2 fonts-wqy-microhei
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
