#include "gis/contour/contour_shapefile.hpp"

#include "gis/contour/contour_generator.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "gis/raster/value_range.hpp"

#include "common/number_text.hpp"
#include "common/progress.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

constexpr double kMostLevels = 100000;
// Level numbers beyond this cannot be counted exactly in doubles.
constexpr double kFarthestLevel = 1e15;

// Refuses an interval that is not positive, one that would make an absurd
// number of levels over the raster's values, and a start value so far from
// them that the levels cannot be counted.
void checkLevels(const RasterRows& raster, const ContourLevels& levels) {
    if (!(levels.interval > 0))
        throw std::runtime_error("the contour interval " + formatDouble(levels.interval) + " is not positive");
    auto [minimum, maximum] = valueRange(raster);
    if (minimum > maximum) return;  // no valid cell: no level
    const double lowest = (minimum - levels.base) / levels.interval;
    const double highest = (maximum - levels.base) / levels.interval;
    if (!(std::fabs(lowest) < kFarthestLevel && std::fabs(highest) < kFarthestLevel))
        throw std::runtime_error("the contour start value " + formatDouble(levels.base) +
                                 " is too far from the values " + formatDouble(minimum) + " to " +
                                 formatDouble(maximum) + " for the interval " + formatDouble(levels.interval));
    const double count = std::floor(highest) - std::ceil(lowest) + 1;
    if (count > kMostLevels)
        throw std::runtime_error("the contour interval " + formatDouble(levels.interval) + " makes " +
                                 formatDouble(count) + " levels between " + formatDouble(minimum) + " and " +
                                 formatDouble(maximum) + "; at most 100000 are made");
}

// The projection as a shapefile's .prj holds it: ESRI's WKT, or the text as
// it is when GDAL cannot read it (the coordinate system is kept, not lost),
// or empty when there is none. GDAL is asked only when there is one.
std::string prjText(const std::string& projection) {
    if (projection.empty()) return {};
    const std::string wkt = gdal().esriWkt(projection);
    return wkt.empty() ? trimmedProjection(projection) : wkt;
}

// Hands each finished line to the shapefile, in map coordinates, pixel
// points being reckoned from the surface's north-western corner. The
// transform is monotone, so the bounds of a line's pixel points map to the
// bounds of its map points.
class ShapefileContourWriter {
public:
    ShapefileContourWriter(PolylineShapefileWriter& writer, const RasterGeometry& geometry)
        : writer_(writer), west_(geometry.xllcorner), north_(geometry.yurcorner()), cell_(geometry.cellsize) {}

    void encode(double, std::span<const PixelPoint> points, std::string& out) const {
        PolylineShapefileWriter::appendContentStart(points.size(), bounds(points), out);
        char* at = PolylineShapefileWriter::appendPointRoom(out, points.size());
        for (const PixelPoint& point : points) at = PolylineShapefileWriter::putPoint(at, x(point), y(point));
    }
    void write(double level, std::string_view encoded) {
        writer_.addEncodedLine(encoded, {static_cast<double>(nextId_++), level});
    }
    void writeJoined(double level, const JoinedLine& line) {
        writer_.startLine(line.size(), mapBounds(line.low(), line.high()), {static_cast<double>(nextId_++), level});
        line.forEachRun([&](const PixelPoint* points, std::size_t count) {
            batch_.clear();
            char* at = PolylineShapefileWriter::appendPointRoom(batch_, count);
            for (std::size_t i = 0; i < count; ++i)
                at = PolylineShapefileWriter::putPoint(at, x(points[i]), y(points[i]));
            writer_.appendPoints(batch_);
        });
    }

private:
    double x(const PixelPoint& point) const { return west_ + cell_ * point.x; }
    double y(const PixelPoint& point) const { return north_ - cell_ * point.y; }
    PolylineShapefileWriter::Bounds bounds(std::span<const PixelPoint> points) const {
        PixelPoint low = points[0], high = points[0];
        for (const PixelPoint& point : points) {
            low.x = std::min(low.x, point.x), high.x = std::max(high.x, point.x);
            low.y = std::min(low.y, point.y), high.y = std::max(high.y, point.y);
        }
        return mapBounds(low, high);
    }
    // Pixel rows run from the northern edge: the lowest pixel y is the highest map y.
    PolylineShapefileWriter::Bounds mapBounds(const PixelPoint& low, const PixelPoint& high) const {
        return {west_ + cell_ * low.x, north_ - cell_ * high.y, west_ + cell_ * high.x, north_ - cell_ * low.y};
    }

    PolylineShapefileWriter& writer_;
    const double west_, north_, cell_;
    std::int64_t nextId_ = 0;
    std::string batch_;
};

}  // namespace

StagedShapefile stageContourShapefile(const FramedRaster& raster, const std::string& projection,
                                      const std::string& targetBase, const std::string& name,
                                      const ContourOptions& options) {
    const ContourLevels& levels = options.levels;
    {
        ProgressStage valueRange(0, 0.1);
        checkLevels(raster.tile(), levels);
    }
    ProgressStage tracing(0.1, 1);
    StagedShapefile staged(targetBase);
    PolylineShapefileWriter writer(staged.basePath(), {{"ID", 8, 0}, {"CONTOUR", 12, 3}}, prjText(projection),
                                   options.sizeLimit, targetBase);
    ShapefileContourWriter contours(writer, raster.surface());
    ContourMemory memory;
    memory.scratchFolder = fs::path(targetBase).parent_path().string();  // on the disk the output goes to
    generateContours(raster, levels, contours, memory);
    try {
        writer.finish();
    } catch (const ShapefileTooLarge& tooLarge) {
        throw std::runtime_error("the contours of " + name + " need " + formatByteSize(tooLarge.neededBytes()) +
                                 ", more than the " + formatByteSize(options.sizeLimit) +
                                 " a shapefile holds; use a larger interval");
    }
    return staged;
}

}  // namespace kestrune
