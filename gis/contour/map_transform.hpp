#pragma once

#include "gis/contour/pixel_point.hpp"
#include "gis/raster/raster_geometry.hpp"

#include <span>

namespace kestrune {

// A box in map coordinates.
struct MapBounds {
    double minX, minY, maxX, maxY;
};

// Pixel points of a surface in its map coordinates, reckoned from its
// north-western corner. The transform is monotone, so the bounds of a
// line's pixel points map to the bounds of its map points.
class MapTransform {
public:
    explicit MapTransform(const RasterGeometry& surface)
        : west_(surface.xllcorner), north_(surface.yurcorner()), cell_(surface.cellsize) {}

    double x(const PixelPoint& point) const { return west_ + cell_ * point.x; }
    double y(const PixelPoint& point) const { return north_ - cell_ * point.y; }

    // Pixel rows run from the northern edge: the lowest pixel y is the highest map y.
    MapBounds bounds(const PixelPoint& low, const PixelPoint& high) const {
        return {west_ + cell_ * low.x, north_ - cell_ * high.y, west_ + cell_ * high.x, north_ - cell_ * low.y};
    }
    MapBounds bounds(std::span<const PixelPoint> points) const {
        const PointExtent extent = PointExtent::of(points);
        return bounds(extent.low, extent.high);
    }

private:
    double west_, north_, cell_;
};

}  // namespace kestrune
