#!/usr/bin/env python3
"""Says whether two polyline shapefiles hold the same lines, vertex for
vertex: each line's vertices compared as a set of exact coordinates (a
ring's closing vertex left out), so that the order of the lines, the way
each runs and where a ring starts do not count. A benchmark is only worth
its time if its output is right: this compares ours with gdal_contour's.
Usage: bench/same_lines.py OURS.shp PEER.shp"""
import collections
import hashlib
import struct
import sys

from shapefile_records import polyline_records


def line_keys(path):
    keys = collections.Counter()
    for content in polyline_records(path):
        parts, points = struct.unpack("<ii", content[36:44])
        xy = content[44 + 4 * parts:44 + 4 * parts + 16 * points]
        if points > 1 and xy[:16] == xy[-16:]:
            xy = xy[:-16]
        vertices = sorted(xy[i:i + 16] for i in range(0, len(xy), 16))
        keys[(points, hashlib.md5(b"".join(vertices)).digest())] += 1
    return keys


def main():
    ours, peer = line_keys(sys.argv[1]), line_keys(sys.argv[2])
    only_ours, only_peer = sum((ours - peer).values()), sum((peer - ours).values())
    verdict = "the same lines" if not only_ours and not only_peer else "DIFFERENT lines"
    print(f"{verdict} as the peer, vertex for vertex: {sum(ours.values())} lines against {sum(peer.values())};"
          f" {only_ours} only ours, {only_peer} only the peer's")
    return 0 if verdict == "the same lines" else 1


if __name__ == "__main__":
    sys.exit(main())
