#!/usr/bin/env bash
# Checks the .deb that `cmake --build build --target package` makes.
#   scripts/check_package.sh DEB            unpacks it and runs kestrune-batch --help
#                                           from it and contours of a raster that
#                                           loads its GDAL module, and checks its
#                                           dependencies name only Debian 12 packages,
#                                           GDAL's among them
#   scripts/check_package.sh --clean-root DEB
#                                           installs it with apt into a fresh minimal
#                                           Debian 12 root (debootstrap, a few minutes,
#                                           needs root and the Debian mirror) and runs
#                                           kestrune-batch --help there
set -euo pipefail
clean_root=false
if [ "${1:-}" = "--clean-root" ]; then clean_root=true; shift; fi
deb=$(realpath "${1:?usage: check_package.sh [--clean-root] DEB}")
work=$(mktemp -d /tmp/kestrune-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "package: $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for package in $(echo "$depends" | tr ',' '\n' | sed -E 's/\(.*\)//; s/\|.*//' | xargs); do
  apt-cache show "$package" > /dev/null 2>&1 || { echo "no Debian package $package"; exit 1; }
done

# Debian's checks: no errors (warnings are told).
if command -v lintian > /dev/null; then
  lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' || true
  lintian --fail-on error "$deb" > /dev/null 2>&1 || { echo "lintian finds errors in the package"; exit 1; }
  echo "lintian: no errors"
fi
contents=$(dpkg-deb -c "$deb")
for file in usr/share/man/man1/kestrune-batch.1.gz usr/share/bash-completion/completions/kestrune-batch \
            usr/share/doc/kestrune/copyright usr/share/doc/kestrune/changelog.gz; do
  grep -q " ./$file\$" <<< "$contents" || { echo "the package lacks /$file"; exit 1; }
done

# GDAL is loaded, not linked: dpkg-shlibdeps sees it through the module only.
case "$depends" in *libgdal*) ;; *) echo "the package does not depend on GDAL"; exit 1 ;; esac

# Contours of an ESRI ASCII raster in a GRID folder: GDAL reads it, through the module.
# contours_through_gdal HOST_FOLDER SEEN_FOLDER COMMAND...: COMMAND sees HOST_FOLDER as SEEN_FOLDER.
contours_through_gdal() {
  local host=$1 seen=$2
  shift 2
  mkdir -p "$host/grid" "$host/contours"
  printf 'ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n4 5 6\n' > "$host/grid/tiny.asc"
  "$@" --grid-folder "$seen/grid" --contour-folder "$seen/contours" --contour-interval 1
  [ -s "$host/contours/tiny.shp" ] || { echo "no contours through the GDAL module"; exit 1; }
}

if ! $clean_root; then
  dpkg-deb -x "$deb" "$work/root"
  "$work/root/usr/bin/kestrune-batch" --help | head -n 1
  "$work/root/usr/bin/kestrune-batch" --version
  contours_through_gdal "$work/data" "$work/data" "$work/root/usr/bin/kestrune-batch"
  exit 0
fi

command -v debootstrap > /dev/null || apt-get install -y -qq debootstrap > /dev/null
debootstrap --variant=minbase bookworm "$work/root" http://deb.debian.org/debian > "$work/debootstrap.log"
cp "$deb" "$work/root/tmp/kestrune.deb"
chroot "$work/root" apt-get install -y -qq /tmp/kestrune.deb > "$work/install.log"
chroot "$work/root" kestrune-batch --help | head -n 1
chroot "$work/root" kestrune-batch --version
chroot "$work/root" sh -c 'mkdir -p /tmp/g && kestrune-batch --grid-folder /tmp/g'
contours_through_gdal "$work/root/tmp/check" /tmp/check chroot "$work/root" kestrune-batch

echo "installed and ran on a clean Debian 12 root"
