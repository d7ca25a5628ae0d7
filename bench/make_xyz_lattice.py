#!/usr/bin/env python3
"""Writes an N x N lattice XYZ file of a smooth surface: CR LF line ends,
one blank between columns, 10 m spacing in UTM-like coordinates, rows from
the northern edge (the order of most DEM exports, and GDAL's fast path).
Usage: make_xyz_lattice.py OUT.xyz [N]"""
import math
import sys

out_path = sys.argv[1]
n = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
with open(out_path, "w", newline="") as out:
    for r in range(n - 1, -1, -1):
        y = 5100000.0 + r * 10.0
        sy = math.sin(r / 97.0)
        rows = []
        for c in range(n):
            x = 500000.0 + c * 10.0
            z = 800.0 + 0.05 * c - 0.03 * r + 150.0 * sy * math.cos(c / 131.0)
            rows.append(f"{x:.2f} {y:.2f} {z:.3f}\r\n")
        out.write("".join(rows))
