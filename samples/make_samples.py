#!/usr/bin/env python3
"""Makes the sample XYZ tiles in samples/xyz: a smooth synthetic terrain cut
into three adjacent tiles, 10 m lattice spacing, UTM zone 33N coordinates,
CR LF line ends and one blank between columns. Run it again to remake them."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "xyz")
SPACING = 10.0
X0, Y0 = 512000.0, 5102000.0

WKT = ('PROJCS["WGS_1984_UTM_Zone_33N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",'
       'SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],'
       'UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],'
       'PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],'
       'PARAMETER["Central_Meridian",15.0],PARAMETER["Scale_Factor",0.9996],'
       'PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]]')


def height(x, y):
    """A hill and a valley on a gentle tilt, in metres."""
    u, v = x - X0, y - Y0
    hill = 120.0 * math.exp(-((u - 900) ** 2 + (v - 1100) ** 2) / (2 * 450.0 ** 2))
    valley = -45.0 * math.exp(-((u - 2300) ** 2) / (2 * 260.0 ** 2))
    return 420.0 + 0.02 * u + 0.035 * v + hill + valley + 6.0 * math.sin(u / 170.0) * math.cos(v / 230.0)


def write_tile(name, col0, row0, cols, rows):
    path = os.path.join(OUT, name + ".xyz")
    with open(path, "w", newline="") as out:
        for r in range(rows):
            y = Y0 + (row0 + r) * SPACING
            for c in range(cols):
                x = X0 + (col0 + c) * SPACING
                out.write(f"{x:.2f} {y:.2f} {height(x, y):.2f}\r\n")


def main():
    os.makedirs(OUT, exist_ok=True)
    write_tile("dem_west", 0, 0, 160, 180)
    write_tile("dem_east", 159, 0, 140, 180)
    write_tile("dem_north", 0, 179, 160, 110)
    with open(os.path.join(OUT, "dem_west.prj"), "w", newline="") as prj:
        prj.write(WKT)


if __name__ == "__main__":
    main()
