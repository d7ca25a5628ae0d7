#include "gis/contour/contour_shapefile.hpp"

#include "gis/contour/contour_generator.hpp"
#include "gis/contour/level_check.hpp"
#include "gis/contour/map_transform.hpp"
#include "gis/gdal/gdal_services.hpp"

#include "common/number_text.hpp"
#include "common/progress.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// The projection as a shapefile's .prj holds it: ESRI's WKT, or the text as
// it is when GDAL cannot read it (the coordinate system is kept, not lost),
// or empty when there is none. GDAL is asked only when there is one.
std::string prjText(const std::string& projection) {
    if (projection.empty()) return {};
    const std::string wkt = gdal().esriWkt(projection);
    return wkt.empty() ? trimmedProjection(projection) : wkt;
}

// Hands each finished line to the shapefile, in map coordinates.
class ShapefileContourWriter {
public:
    ShapefileContourWriter(PolylineShapefileWriter& writer, const RasterGeometry& surface)
        : writer_(writer), map_(surface) {}

    void encode(double, std::span<const PixelPoint> points, std::string& out) const {
        PolylineShapefileWriter::appendContentStart(points.size(), shapefileBounds(map_.bounds(points)), out);
        char* at = PolylineShapefileWriter::appendPointRoom(out, points.size());
        for (const PixelPoint& point : points) at = PolylineShapefileWriter::putPoint(at, map_.x(point), map_.y(point));
    }
    void write(double level, std::string_view encoded) {
        writer_.addEncodedLine(encoded, {static_cast<double>(nextId_++), level});
    }
    void writeJoined(double level, const JoinedLine& line) {
        writer_.startLine(line.size(), shapefileBounds(map_.bounds(line.low(), line.high())),
                          {static_cast<double>(nextId_++), level});
        line.forEachRun([&](const PixelPoint* points, std::size_t count) {
            batch_.clear();
            char* at = PolylineShapefileWriter::appendPointRoom(batch_, count);
            for (std::size_t i = 0; i < count; ++i)
                at = PolylineShapefileWriter::putPoint(at, map_.x(points[i]), map_.y(points[i]));
            writer_.appendPoints(batch_);
        });
    }

private:
    static PolylineShapefileWriter::Bounds shapefileBounds(const MapBounds& b) {
        return {b.minX, b.minY, b.maxX, b.maxY};
    }

    PolylineShapefileWriter& writer_;
    MapTransform map_;
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
        checkLevels(raster, levels);
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
                                 " a shapefile holds; use a larger interval, or a GeoPackage (--contour-format gpkg),"
                                 " which holds contours of any size");
    }
    return staged;
}

}  // namespace kestrune
