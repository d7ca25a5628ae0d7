#!/usr/bin/env python3
"""Fails when a folder of the code reaches a folder it may not: by an
#include or by a CMake link (target_link_libraries). The layers, each using
only those listed for it:

    common
    gis/raster                      the raster model
    gis/gdal, gis/gdal/module       what we ask of GDAL; the module that answers
    gis/esri_ascii, gis/esri_grid, gis/shapefile, gis/geopackage, gis/slope, gis/contour,
    gis/workspace, gis/surface      the GIS concepts
    xyz                             the gridding engine
    run                             the run, its steps and their reports
    cli, gui                        the two front ends

Also: only gui/ includes Qt; only gis/gdal/module/ includes GDAL's headers;
every include of ours names its folder.
Usage: scripts/check_layers.py [ROOT]   or   scripts/check_layers.py --self-test"""
import os
import re
import shutil
import sys
import tempfile

GIS = ["gis/raster", "gis/gdal", "gis/esri_ascii", "gis/esri_grid", "gis/shapefile", "gis/slope", "gis/contour",
       "gis/workspace", "gis/surface", "gis/geopackage"]
MAY_USE = {
    "common": [],
    "gis/raster": ["common"],
    "gis/gdal": ["gis/raster", "common"],
    "gis/gdal/module": ["gis/gdal", "gis/raster", "common"],
    "gis/esri_ascii": ["gis/raster", "common"],
    "gis/esri_grid": ["gis/gdal", "gis/raster", "common"],
    "gis/shapefile": ["common"],
    "gis/geopackage": ["common"],
    "gis/slope": ["gis/raster", "common"],
    "gis/contour": ["gis/shapefile", "gis/geopackage", "gis/gdal", "gis/raster", "common"],
    "gis/workspace": ["gis/esri_grid", "gis/gdal", "gis/raster", "common"],
    "gis/surface": ["gis/raster", "common"],
    "xyz": ["gis/raster", "common"],
    "run": ["xyz"] + GIS + ["common"],
    "cli": ["run", "common"],
    "gui": ["run", "common"],
}
# The library each folder builds, by its CMake name.
LIBRARIES = {
    "kestrune_common": "common", "kestrune_raster": "gis/raster", "kestrune_gdal_services": "gis/gdal",
    "kestrune_gdal_parts": "gis/gdal/module", "kestrune_gdal": "gis/gdal/module",
    "kestrune_esri_ascii": "gis/esri_ascii", "kestrune_esri_grid": "gis/esri_grid",
    "kestrune_shapefile": "gis/shapefile", "kestrune_geopackage": "gis/geopackage", "kestrune_slope": "gis/slope", "kestrune_contour": "gis/contour",
    "kestrune_workspace": "gis/workspace", "kestrune_surface": "gis/surface", "kestrune_xyz": "xyz", "kestrune_run": "run", "kestrune_cli": "cli",
    "kestrune_gui": "gui",
}
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)
SYSTEM_INCLUDE = re.compile(r'^#include <([^>]+)>', re.M)
LINKS = re.compile(r'target_link_libraries\s*\(([^)]*)\)', re.S)
GDAL_HEADER = re.compile(r'^(gdal|ogr|cpl)[a-z_]*\.h$')


def sources(root, folder):
    path = os.path.join(root, folder)
    return sorted(os.path.join(folder, name) for name in os.listdir(path)
                  if name.endswith((".cpp", ".hpp")) and os.path.isfile(os.path.join(path, name)))


def check(root):
    problems = []
    for folder, allowed in MAY_USE.items():
        reach = set(allowed) | {folder}
        for source in sources(root, folder):
            text = open(os.path.join(root, source), encoding="utf-8").read()
            for include in INCLUDE.findall(text):
                if "/" not in include:
                    if not include.endswith(".moc"):
                        problems.append(f'{source}: include "{include}" with its folder ("layer/name.hpp")')
                    continue
                used = os.path.dirname(include)
                if used not in reach:
                    problems.append(f"{source}: {folder}/ may not include {include} (it may use: {' '.join(allowed)})")
            for include in SYSTEM_INCLUDE.findall(text):
                if include.startswith("Q") and folder != "gui":
                    problems.append(f"{source}: {folder}/ may not include Qt (<{include}>)")
                if GDAL_HEADER.match(include) and folder != "gis/gdal/module":
                    problems.append(f"{source}: GDAL's <{include}> only in gis/gdal/module/, through gis/gdal/gdal_services.hpp")
        cmake = os.path.join(root, folder, "CMakeLists.txt")
        if not os.path.exists(cmake):
            continue
        for links in LINKS.findall(open(cmake, encoding="utf-8").read()):
            for library in links.split()[1:]:
                used = LIBRARIES.get(library)
                if used and used not in reach:
                    problems.append(f"{folder}/CMakeLists.txt: {folder} may not link {library} ({used}/)")
    return problems


def self_test(root):
    """The check finds a wrong include, a wrong link and GDAL out of place in a
    copy of the tree, which is clean before each is put in."""
    failures = 0
    injections = [
        ("gis/raster/raster_geometry.cpp", '#include "gis/contour/contour_levels.hpp"\n'),
        ("gis/slope/CMakeLists.txt", "target_link_libraries(kestrune_slope PUBLIC kestrune_contour)\n"),
        ("gis/esri_ascii/esri_ascii_reader.cpp", "#include <gdal.h>\n"),
    ]
    for target, line in injections:
        with tempfile.TemporaryDirectory() as copy:
            for folder in MAY_USE:
                if folder.count("/") == 0 or folder.startswith("gis/"):
                    shutil.copytree(os.path.join(root, folder), os.path.join(copy, folder), dirs_exist_ok=True)
            with open(os.path.join(copy, target), "a", encoding="utf-8") as f:
                f.write(line)
            if not check(copy):
                print(f"self-test: {line.strip()} in {target} was not caught")
                failures += 1
    if not failures:
        print(f"self-test: all {len(injections)} wrong uses caught")
    return failures == 0


def main(arguments):
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
    if arguments[:1] == ["--self-test"]:
        return 0 if self_test(root) else 1
    if arguments:
        root = arguments[0]
    problems = check(root)
    for problem in problems:
        print(problem)
    if not problems:
        print("layers point one way")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
