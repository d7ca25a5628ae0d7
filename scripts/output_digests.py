#!/usr/bin/env python3
"""Prints an md5 digest of every file under the folders given, one line a
file ("digest  relative/path"), in name order. What differs between two runs
of the same job by design is left out: in a GRID workspace's info/arc.dir the
creation time and the writing process of each entry, in a .dbf its date.
Two digests of one job made by two builds differ only where their outputs do.
Usage: scripts/output_digests.py FOLDER..."""
import hashlib
import os
import sys

RECORD = 380  # bytes of an arc.dir entry


def normalised(path, data):
    name = os.path.basename(path).lower()
    if name == "arc.dir":
        data = bytearray(data)
        for at in range(0, len(data) - RECORD + 1, RECORD):
            data[at + 328:at + 332] = b"\0" * 4   # made at
            data[at + 340:at + 348] = b"\0" * 8   # by process
        return bytes(data)
    if name.endswith(".dbf") and len(data) >= 4:
        return data[:1] + b"\0\0\0" + data[4:]   # the day it was written
    return data


def main(folders):
    for top in folders:
        for folder, subfolders, files in os.walk(top):
            subfolders.sort()
            for name in sorted(files):
                if name == ".kestrune~lock" or name.endswith(".kestrune-made"):
                    continue  # a run's bookkeeping, not its outputs
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    digest = hashlib.md5(normalised(path, f.read())).hexdigest()
                print(f"{digest}  {os.path.relpath(path, os.path.dirname(top.rstrip('/')))}")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
