#!/usr/bin/env python3
"""Compares the outputs of two runs of one job, folder by folder under two
roots: every file byte for byte, but a GRID workspace's INFO tables, which
runs in parallel fill in another order, table by table (each live entry of
arc.dir with its time and process left out, its .dat and .nit files), and
each table listed once. A run's bookkeeping (lock files, the records of how
each output was made) and the .dbf's date are left out.
Usage: same_outputs.py ROOT_A ROOT_B; exit 1 with the differences."""
import os
import sys

RECORD = 380  # bytes of an arc.dir entry


def bookkeeping(name):
    return name == ".kestrune~lock" or name.endswith(".kestrune-made")


def info_tables(info):
    """Live table name -> (entry without time, process and file name, .dat, .nit)."""
    with open(os.path.join(info, "arc.dir"), "rb") as f:
        listing = f.read()
    tables, twice = {}, []
    for at in range(0, len(listing) - RECORD + 1, RECORD):
        entry = bytearray(listing[at:at + RECORD])
        if int.from_bytes(entry[62:64], "big", signed=True) != 0:
            continue  # deleted
        name = bytes(entry[:32]).rstrip().decode()
        stem = bytes(entry[32:40]).rstrip().decode().lower()
        entry[32:40] = b"\0" * 8    # the file it is kept in
        entry[328:332] = b"\0" * 4  # made at
        entry[340:348] = b"\0" * 8  # by process
        parts = [bytes(entry)]
        for suffix in (".dat", ".nit"):
            with open(os.path.join(info, stem + suffix), "rb") as f:
                parts.append(f.read())
        if name in tables:
            twice.append(name)
        tables[name] = tuple(parts)
    return tables, twice


def files(root):
    found = {}
    for folder, subfolders, names in os.walk(root):
        if os.path.basename(folder) == "info":
            subfolders[:] = []
            continue
        for name in names:
            if not bookkeeping(name):
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    data = f.read()
                if name.endswith(".dbf"):
                    data = data[:1] + b"\0\0\0" + data[4:]
                found[os.path.relpath(path, root)] = data
    return found


def main(a, b):
    problems = []
    fa, fb = files(a), files(b)
    for path in sorted(set(fa) | set(fb)):
        if path not in fa or path not in fb:
            problems.append(f"{path}: only under {a if path in fa else b}")
        elif fa[path] != fb[path]:
            problems.append(f"{path}: differs")
    for folder, subfolders, names in os.walk(a):
        if os.path.basename(folder) != "info" or "arc.dir" not in names:
            continue
        other = os.path.join(b, os.path.relpath(folder, a))
        ta, twice_a = info_tables(folder)
        tb, twice_b = info_tables(other)
        for name in twice_a + twice_b:
            problems.append(f"{folder}: {name} listed twice")
        for name in sorted(set(ta) | set(tb)):
            if ta.get(name) != tb.get(name):
                problems.append(f"{os.path.relpath(folder, a)}: table {name} differs or is missing")
    print("\n".join(problems) if problems else f"{len(fa)} files and their INFO tables equal")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
