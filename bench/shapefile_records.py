"""The records of a polyline shapefile (.shp), read in file order, for the
benchmark tools: each record's content, null shapes left out."""
import struct


def polyline_records(path):
    """Yields the content of each record that holds a shape."""
    with open(path, "rb") as shp:
        shp.seek(100)
        while True:
            header = shp.read(8)
            if len(header) < 8:
                return
            _, words = struct.unpack(">ii", header)
            content = shp.read(2 * words)
            if struct.unpack("<i", content[:4])[0] != 0:
                yield content
