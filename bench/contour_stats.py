#!/usr/bin/env python3
"""Prints what the lines of a polyline shapefile are like: how many, how many
vertices, the median, 99th percentile and longest line in vertices, and the
share of all vertices in lines of more than 10,000. Terrain as rough as real
keeps few, very long lines open across many bands; these numbers say whether
a benchmark's terrain does.
Usage: bench/contour_stats.py FILE.shp"""
import struct
import sys

from shapefile_records import polyline_records


def vertex_counts(path):
    return [struct.unpack("<i", content[40:44])[0] for content in polyline_records(path)]


def main():
    counts = sorted(vertex_counts(sys.argv[1]))
    total = sum(counts)
    long_share = sum(c for c in counts if c > 10000) / total if total else 0
    print(f"lines {len(counts)} vertices {total} median {counts[len(counts) // 2]} "
          f"p99 {counts[int(len(counts) * 0.99)]} longest {counts[-1]} over10k {long_share:.3f}")


main()
