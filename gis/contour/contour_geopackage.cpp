#include "gis/contour/contour_geopackage.hpp"

#include "gis/contour/contour_generator.hpp"
#include "gis/contour/level_check.hpp"
#include "gis/contour/map_transform.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "gis/geopackage/line_geopackage_writer.hpp"

#include "common/progress.hpp"

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// Custom coordinate systems take ids from here, as GDAL gives them.
constexpr int kFirstCustomSrsId = 100000;

// The coordinate system as the GeoPackage lists it: by its EPSG code when
// GDAL knows it, else as a system of its own; the undefined one without.
GeoPackageSpatialReference spatialReference(const std::string& projection) {
    GeoPackageSpatialReference srs;
    if (projection.empty()) return srs;
    const CatalogedCoordinateSystem system = gdal().catalogedSystem(projection);
    if (system.wkt.empty()) return srs;
    srs.name = system.name;
    srs.definition = system.wkt;
    if (system.authority == "EPSG" && system.code > 0) {
        srs.srsId = srs.organizationId = system.code;
        srs.organization = "EPSG";
    } else {
        srs.srsId = srs.organizationId = kFirstCustomSrsId;
        srs.organization = "NONE";
    }
    return srs;
}

LineGeoPackageWriter::Bounds packageBounds(const MapBounds& b) { return {b.minX, b.minY, b.maxX, b.maxY}; }

// Hands each finished line to the GeoPackage, in map coordinates.
class GeoPackageContourWriter {
public:
    GeoPackageContourWriter(LineGeoPackageWriter& writer, int srsId, const RasterGeometry& surface)
        : writer_(writer), srsId_(srsId), map_(surface) {}

    // The line's bounds, then its geometry.
    void encode(double, std::span<const PixelPoint> points, std::string& out) const {
        const MapBounds bounds = map_.bounds(points);
        for (double value : {bounds.minX, bounds.minY, bounds.maxX, bounds.maxY}) appendValue(value, out);
        char* at = LineGeoPackageWriter::appendLineGeometry(srsId_, points.size(), packageBounds(bounds), out);
        for (const PixelPoint& point : points) at = LineGeoPackageWriter::putPoint(at, map_.x(point), map_.y(point));
    }
    void write(double level, std::string_view encoded) {
        double b[4];
        std::memcpy(b, encoded.data(), sizeof b);
        writer_.addLine(encoded.substr(sizeof b), {b[0], b[1], b[2], b[3]}, {static_cast<double>(nextId_++), level});
    }
    void writeJoined(double level, const JoinedLine& line) {
        const LineGeoPackageWriter::Bounds bounds = packageBounds(map_.bounds(line.low(), line.high()));
        geometry_.clear();
        char* at = LineGeoPackageWriter::appendLineGeometry(srsId_, line.size(), bounds, geometry_);
        line.forEachRun([&](const PixelPoint* points, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i)
                at = LineGeoPackageWriter::putPoint(at, map_.x(points[i]), map_.y(points[i]));
        });
        writer_.addLine(geometry_, bounds, {static_cast<double>(nextId_++), level});
    }

private:
    static void appendValue(double value, std::string& out) {
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }

    LineGeoPackageWriter& writer_;
    const int srsId_;
    MapTransform map_;
    std::int64_t nextId_ = 0;
    std::string geometry_;
};

}  // namespace

const std::vector<std::string>& geoPackageExtensions() {
    static const std::vector<std::string> extensions = {".gpkg", ".gpkg-journal", ".gpkg-wal", ".gpkg-shm"};
    return extensions;
}

StagedFileSet stageContourGeoPackage(const FramedRaster& raster, const std::string& projection,
                                     const std::string& targetBase, const ContourOptions& options) {
    const ContourLevels& levels = options.levels;
    {
        ProgressStage valueRange(0, 0.1);
        checkLevels(raster, levels);
    }
    ProgressStage tracing(0.1, 1);
    StagedFileSet staged(targetBase, geoPackageExtensions());
    const GeoPackageSpatialReference srs = spatialReference(projection);
    LineGeoPackageWriter writer(staged.basePath() + ".gpkg", fs::path(targetBase).filename().string(),
                                {{"ID", GeoPackageField::Type::Integer}, {"CONTOUR", GeoPackageField::Type::Real}}, srs,
                                targetBase + ".gpkg");
    GeoPackageContourWriter contours(writer, srs.srsId, raster.surface());
    ContourMemory memory;
    memory.scratchFolder = fs::path(targetBase).parent_path().string();  // on the disk the output goes to
    generateContours(raster, levels, contours, memory);
    writer.finish();
    return staged;
}

}  // namespace kestrune
