#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrune {

struct RTreeNode;

// A coordinate system as a GeoPackage lists it (gpkg_spatial_ref_sys): by
// default the undefined Cartesian system every GeoPackage holds.
struct GeoPackageSpatialReference {
    int srsId = -1;
    std::string name = "Undefined Cartesian SRS";
    std::string organization = "NONE";
    int organizationId = -1;
    std::string definition = "undefined";  // WKT
};

// A numeric attribute of every feature.
struct GeoPackageField {
    enum class Type { Integer, Real };
    std::string name;
    Type type = Type::Real;
};

// Writes a GeoPackage (OGC 12-128r, version 1.3) of one table of line
// features: the table named `table` (fid, geom LINESTRING, the fields),
// its coordinate system, its extent in gpkg_contents, and an R-tree spatial
// index (the gpkg_rtree_index extension with its triggers), as GDAL, QGIS
// and ArcGIS Pro read it. Lines go in one at a time as their geometry
// blobs (appendLineGeometry, on any thread), in one transaction of SQLite
// with no journal: the file is meant to be written under a hidden name and
// put in place whole once finish() has returned. Throws std::runtime_error
// naming `shownAs` (the path unless given).
class LineGeoPackageWriter {
public:
    struct Bounds {
        double minX, minY, maxX, maxY;
    };

    LineGeoPackageWriter(const std::string& path, std::string table, std::vector<GeoPackageField> fields,
                         GeoPackageSpatialReference srs, std::string shownAs = {});
    ~LineGeoPackageWriter();
    LineGeoPackageWriter(const LineGeoPackageWriter&) = delete;
    LineGeoPackageWriter& operator=(const LineGeoPackageWriter&) = delete;

    // Appends the geometry of a line of `points` points within `bounds` in
    // the system `srsId` (a GeoPackage header with its envelope, then the
    // line as little-endian WKB) and returns where its points go: 16 bytes
    // a point, filled with putPoint.
    static char* appendLineGeometry(int srsId, std::size_t points, const Bounds& bounds, std::string& out);
    static char* putPoint(char* at, double x, double y);

    // Adds a feature: its geometry, its bounds and its field values in order.
    void addLine(std::string_view geometry, const Bounds& bounds, const std::vector<double>& values);
    std::uint64_t features() const { return features_; }

    // Writes the extent and the index's triggers, commits and closes the
    // file, its data on the disk (see durableWrites).
    void finish();

private:
    void execute(const std::string& sql);
    sqlite3_stmt* prepare(const std::string& sql);
    void check(int result, const char* action);
    void createTables();
    void createIndexTriggers();
    void runOnce(sqlite3_stmt* statement);
    void fillIndex();
    std::vector<std::pair<std::int64_t, std::int64_t>> writeIndexNodes(const std::string& rtree,
                                                                       std::vector<RTreeNode>& nodes,
                                                                       std::size_t nodeBytes);
    void writeIndexLeaves(const std::string& rtree, std::vector<std::pair<std::int64_t, std::int64_t>> leafOf);

    std::string path_, table_, shownAs_;
    std::vector<GeoPackageField> fields_;
    GeoPackageSpatialReference srs_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insertFeature_ = nullptr;
    std::uint64_t features_ = 0;
    Bounds extent_{0, 0, 0, 0};
    // The R-tree's entries, as it keeps them (single precision, rounded
    // outward), packed into a tree at the end.
    struct IndexEntry {
        std::int64_t fid;
        float minX, maxX, minY, maxY;
    };
    std::vector<IndexEntry> index_;
};

}  // namespace kestrune
