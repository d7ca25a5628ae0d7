#!/usr/bin/env python3
"""Kills kestrune-batch at every rename, unlink and pwrite of a replacement
(strace's fault injection: the N-th call of each, one thread so the count
is the run's), then lets a later run into the folder settle what it left,
and checks that every target is whole: the earlier output or the new one,
byte for byte, opened by GDAL, each GRID listed once in the INFO tables,
nothing hidden left but the folders' lock files and the records of how
each output was made (which a later --update reads).

  contours   a shapefile replaced by one lacking files of the earlier set
  grid       a GRID and its INFO entries replaced (ASCII raster to GRID)
  slope      a slope GRID replaced
  noexchange the GRID again on a file system that cannot exchange names

Usage: tests/fault/kill_points.py BATCH [SCENARIO...]"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

SYSCALLS = ["rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "pwrite64"]
LOCK = ".kestrune~lock"
RECORD = 380


def asc(path, rise, prj=None):
    rows = 60
    with open(path, "w") as f:
        f.write(f"ncols 50\nnrows {rows}\nxllcorner 500000\nyllcorner 5200000\ncellsize 10\nNODATA_value -9999\n")
        for r in range(rows):
            f.write(" ".join(str(round(300 + rise * (c * 0.7 + r * 1.3) + ((c * 7 + r * 3) % 11), 2))
                             for c in range(50)) + "\n")
    if prj:
        shutil.copy(prj, os.path.splitext(path)[0] + ".prj")


def digest(path):
    with open(path, "rb") as f:
        data = f.read()
    if path.endswith(".dbf"):
        data = data[:1] + b"\0\0\0" + data[4:]  # the day it was written
    return hashlib.md5(data).hexdigest()


def contents(folder, names):
    """Digests of the files `names` holds in `folder` (a GRID: its files)."""
    found = {}
    for name in names:
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            for file in sorted(os.listdir(path)):
                found[name + "/" + file] = digest(os.path.join(path, file))
        elif os.path.exists(path):
            found[name] = digest(path)
    return found


def live_tables(workspace):
    path = os.path.join(workspace, "info", "arc.dir")
    if not os.path.exists(path):
        return []
    data = open(path, "rb").read()
    return sorted(data[at:at + 32].decode().strip() for at in range(0, len(data) - RECORD + 1, RECORD)
                  if data[at + 62:at + 64] == b"\0\0")


def hidden(folder):
    left = []
    for top, subfolders, files in os.walk(folder):
        for name in subfolders + files:
            if name.startswith(".") and name != LOCK and not name.endswith(".kestrune-made"):
                left.append(os.path.relpath(os.path.join(top, name), folder))
    return left


class Scenario:
    """A folder made by a first run; the job under test replaces its output."""

    def __init__(self, batch, work, name):
        self.batch, self.work, self.name = batch, work, name
        self.base = os.path.join(work, "base")
        os.makedirs(self.base)
        for sub in ("ascii", "grid", "slope", "contour", "empty"):
            os.makedirs(os.path.join(self.base, sub))
        prj = os.path.join(os.path.dirname(__file__), "..", "..", "samples", "xyz", "dem_west.prj")
        asc(os.path.join(self.base, "ascii", "dem.asc"), 1, prj)
        asc(os.path.join(self.base, "ascii", "other.asc"), 2)
        self.run(self.base, ["--input", "ascii", "--ascii-folder", "ascii", "--grid-folder", "grid",
                             "--slope-folder", "slope", "--contour-folder", "contour", "--contour-interval", "20"])
        for extension in (".sbn", ".sbx"):  # ArcGIS's index, which the new shapefile does not have
            open(os.path.join(self.base, "contour", "dem" + extension), "wb").write(b"index")
        if name in ("grid", "slope", "noexchange"):
            asc(os.path.join(self.base, "ascii", "dem.asc"), 3)  # the new GRID, from another raster
            os.remove(os.path.join(self.base, "ascii", "dem.prj"))

    def run(self, folder, arguments, prefix=()):
        return subprocess.run(list(prefix) + [self.batch, "--threads", "1"] + arguments, cwd=folder,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    def job(self):
        if self.name == "contours":
            return ["--grid-folder", "grid", "--contour-folder", "contour", "--contour-interval", "7"]
        if self.name == "slope":
            return ["--input", "ascii", "--ascii-folder", "ascii", "--grid-folder", "grid", "--slope-folder", "slope"]
        return ["--input", "ascii", "--ascii-folder", "ascii", "--grid-folder", "grid"]

    def settling_run(self):
        """A run into the folder under test from elsewhere, which settles what was left."""
        if self.name == "contours":
            return ["--grid-folder", "empty", "--contour-folder", "contour"]
        if self.name == "slope":
            return ["--grid-folder", "empty", "--slope-folder", "slope"]
        return ["--input", "ascii", "--ascii-folder", "empty", "--grid-folder", "grid"]

    def target(self):
        if self.name == "contours":
            return "contour", ["dem" + e for e in (".shp", ".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx")]
        if self.name == "slope":
            return "slope", ["dem", "other"]
        return "grid", ["dem", "other"]

    def prefix(self):
        return ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "inject=renameat2:error=EINVAL"] \
            if self.name == "noexchange" else []

    def fresh(self, label):
        folder = os.path.join(self.work, label)
        shutil.copytree(self.base, folder, symlinks=True)
        return folder

    def counts(self):
        folder = self.fresh("count")
        log = os.path.join(self.work, "count.log")
        subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=" + ",".join(SYSCALLS)] +
                       (["-e", "inject=renameat2:error=EINVAL"] if self.name == "noexchange" else []) +
                       [self.batch, "--threads", "1"] + self.job(), cwd=folder,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        counts = {call: 0 for call in SYSCALLS}
        for line in open(log):
            call = line.split("(", 1)[0].split()[-1]
            if call in counts:
                counts[call] += 1
        new = self.fresh("new")
        self.run(new, self.job(), self.prefix())
        shutil.rmtree(folder)
        return counts, new

    def check(self, folder, earlier, later):
        where, names = self.target()
        found = contents(os.path.join(folder, where), names)
        problems = []
        if found != earlier and found != later:
            mixed = sorted(set(found.items()) ^ set(earlier.items()))
            problems.append(f"{where} holds a mix: {mixed[:4]}")
        for name in names:
            path = os.path.join(folder, where, name)
            opener = ["ogrinfo", "-ro", "-so", "-al"] if name.endswith(".shp") else ["gdalinfo", "-checksum"]
            if name in ("dem", "other") or name.endswith(".shp"):
                if os.path.exists(path) and subprocess.run(opener + [path], stdout=subprocess.DEVNULL,
                                                           stderr=subprocess.DEVNULL).returncode != 0:
                    problems.append(f"GDAL cannot open {where}/{name}")
        if where in ("grid", "slope"):
            tables = live_tables(os.path.join(folder, where))
            grids = sorted(n.upper() for n in os.listdir(os.path.join(folder, where))
                           if os.path.isdir(os.path.join(folder, where, n)) and not n.startswith(".") and n != "info")
            expected = sorted(g + "." + t for g in grids for t in ("BND", "STA"))
            if tables != expected:
                problems.append(f"INFO tables {tables}, GRIDs {grids}")
        left = hidden(os.path.join(folder, where))
        if left:
            problems.append(f"hidden names left: {left}")
        return problems


def main(arguments):
    if not arguments:
        sys.exit(__doc__)
    batch = os.path.abspath(arguments[0])
    if not shutil.which("strace"):
        print("SKIP: strace is not installed")
        return 0
    total = failures = 0
    for name in arguments[1:] or ["contours", "grid", "slope", "noexchange"]:
        work = tempfile.mkdtemp(prefix="kestrune-fault-")
        try:
            scenario = Scenario(batch, work, name)
            where, names = scenario.target()
            earlier = contents(os.path.join(scenario.base, where), names)
            counts, new = scenario.counts()
            later = contents(os.path.join(new, where), names)
            assert earlier != later, "the job under test changes nothing"
            points = 0
            for call, count in counts.items():
                for n in range(1, count + 1):
                    folder = scenario.fresh(f"{call}-{n}")
                    inject = [f"inject={call}:signal=KILL:when={n}"]
                    if name == "noexchange" and call != "renameat2":
                        inject.append("inject=renameat2:error=EINVAL")
                    prefix = ["strace", "-f", "-qq", "-o", "/dev/null"] + sum((["-e", i] for i in inject), [])
                    scenario.run(folder, scenario.job(), prefix)
                    scenario.run(folder, scenario.settling_run(), scenario.prefix())
                    for problem in scenario.check(folder, earlier, later):
                        print(f"{name}: killed at {call} #{n}: {problem}")
                        failures += 1
                    shutil.rmtree(folder)
                    points += 1
            print(f"{name}: {points} kill points ({', '.join(f'{c} {k}' for c, k in counts.items() if k)}), "
                  f"{'all whole' if not failures else 'failures above'}")
            total += points
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{total} kill points, {failures} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
