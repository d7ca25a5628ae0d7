#pragma once

#include "common/byte_order.hpp"
#include "common/durable_file.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// The most bytes a file of a shapefile may hold: readers (ArcGIS among
// them) take offsets as signed 32-bit numbers.
inline constexpr std::uint64_t kShapefileFileLimit = (std::uint64_t{1} << 31) - 1;

// A numeric attribute of every feature: dBASE type N, right-aligned text.
struct ShapefileField {
    std::string name;  // at most 10 characters
    int width = 0;
    int decimals = 0;
};

// A shapefile that would pass the size limit; `neededBytes` is the size of
// its largest file had it been written whole.
class ShapefileTooLarge : public std::runtime_error {
public:
    ShapefileTooLarge(const std::string& what, std::uint64_t neededBytes)
        : std::runtime_error(what), neededBytes_(neededBytes) {}
    std::uint64_t neededBytes() const { return neededBytes_; }

private:
    std::uint64_t neededBytes_;
};

// Writes a polyline shapefile (shape type 3, one part a feature): base
// path + .shp, .shx, .dbf, and .prj when a projection text is given, with
// the layout GDAL's shapefile driver writes. Lines are added one at a time
// and written out in large pieces. When a file would pass `sizeLimit`, the
// writer stops writing and goes on counting, and finish() throws
// ShapefileTooLarge with the size the whole shapefile would need. Other
// failures throw std::runtime_error naming the file. The files stay where
// they are after a failure: the caller removes them.
class PolylineShapefileWriter {
public:
    // Messages name `shownBase` (the base path unless given).
    PolylineShapefileWriter(std::string basePath, std::vector<ShapefileField> fields, std::string projection,
                            std::uint64_t sizeLimit = kShapefileFileLimit, const std::string& shownBase = {});
    ~PolylineShapefileWriter();
    PolylineShapefileWriter(const PolylineShapefileWriter&) = delete;
    PolylineShapefileWriter& operator=(const PolylineShapefileWriter&) = delete;

    // The bounds of a line in map coordinates.
    struct Bounds {
        double minX, minY, maxX, maxY;
    };

    // `xy`: x, y of each point in map coordinates; `values`: one per field.
    void addLine(const std::vector<double>& xy, const std::vector<double>& values);

    // A record's content in two steps, on any thread: the part before the
    // points, then each point.
    static void appendContentStart(std::size_t points, const Bounds& bounds, std::string& content);
    static void appendPoint(double x, double y, std::string& content);
    // Or room for `points` points at the end of a content, each then put
    // there by putPoint, which returns where the next one goes.
    static char* appendPointRoom(std::string& content, std::size_t points);
    static char* putPoint(char* at, double x, double y) { return storeLittleEndian(y, storeLittleEndian(x, at)); }
    // Adds the record of a content made so, in order.
    void addEncodedLine(std::string_view content, const std::vector<double>& values);

    // Adds a record whose points follow through appendPoints(), `points` of
    // them, straight into the file: for lines too long to copy.
    void startLine(std::size_t points, const Bounds& bounds, const std::vector<double>& values);
    void appendPoints(std::string_view pointBytes);

    void finish();

    std::uint64_t features() const { return features_; }

private:
    std::string fieldText(double value, const ShapefileField& field) const;
    // Adds the record around a content of `contentBytes` (its header first);
    // false when past the size limit, with nothing written.
    bool startRecord(std::uint64_t contentBytes, const Bounds& bounds, const std::vector<double>& values);
    std::string dbfHeader() const;
    std::string mainHeader(std::uint64_t fileBytes, bool withBounds) const;

    std::string basePath_;
    std::string shownBase_;
    std::vector<ShapefileField> fields_;
    std::string projection_;
    std::uint64_t sizeLimit_;
    DurableFile shp_, shx_, dbf_;
    std::uint64_t shpBytes_ = 100, shxBytes_ = 100, dbfBytes_ = 0;
    std::uint64_t features_ = 0;
    bool overLimit_ = false;
    bool streaming_ = false;  // the points of the record started last go out
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
    std::string record_;  // reused for each record
    std::string row_;
};

}  // namespace kestrune
