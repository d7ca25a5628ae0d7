#include "gis/geopackage/line_geopackage_writer.hpp"

#include "gis/geopackage/direct_write_vfs.hpp"
#include "gis/geopackage/packed_rtree.hpp"

#include "common/byte_order.hpp"
#include "common/durable_writes.hpp"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace kestrune {
namespace {

// "GPKG", the application id every GeoPackage carries.
constexpr int kApplicationId = 0x47504B47;
constexpr int kVersion = 10300;

// A name as an SQL identifier, in double quotes.
std::string quoted(const std::string& name) {
    std::string text = "\"";
    for (char c : name) text += c == '"' ? std::string("\"\"") : std::string(1, c);
    return text + "\"";
}

// A text as an SQL literal, in single quotes.
std::string literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

}  // namespace

LineGeoPackageWriter::LineGeoPackageWriter(const std::string& path, std::string table,
                                           std::vector<GeoPackageField> fields, GeoPackageSpatialReference srs,
                                           std::string shownAs)
    : path_(path),
      table_(std::move(table)),
      shownAs_(shownAs.empty() ? path : std::move(shownAs)),
      fields_(std::move(fields)),
      srs_(std::move(srs)) {
    // One thread at a time uses the connection: SQLite need not lock it for each call.
    const int opened =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        durableWrites() ? directWriteVfs() : nullptr);
    check(opened, "create");
    // One writer, no reader until it is done and in place: no journal, no
    // waiting for the disk but once at the end, large pages.
    execute(
        "PRAGMA page_size = 65536; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
        " PRAGMA locking_mode = EXCLUSIVE; PRAGMA cache_size = -32768;"
        " PRAGMA application_id = " +
        std::to_string(kApplicationId) + "; PRAGMA user_version = " + std::to_string(kVersion) + ";");
    execute("BEGIN");
    createTables();
    std::string columns = "geom", values = "?";
    for (const GeoPackageField& field : fields_) columns += ", " + quoted(field.name), values += ", ?";
    insertFeature_ = prepare("INSERT INTO " + quoted(table_) + " (" + columns + ") VALUES (" + values + ")");
}

LineGeoPackageWriter::~LineGeoPackageWriter() {
    sqlite3_finalize(insertFeature_);
    sqlite3_close(db_);  // an unfinished file is dropped by its staging
}

void LineGeoPackageWriter::check(int result, const char* action) {
    if (result == SQLITE_OK || result == SQLITE_DONE || result == SQLITE_ROW) return;
    const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    throw std::runtime_error("cannot " + std::string(action) + " the GeoPackage " + shownAs_ + ": " + why);
}

void LineGeoPackageWriter::execute(const std::string& sql) {
    char* error = nullptr;
    const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    const std::string why = error ? error : "";
    sqlite3_free(error);
    if (result != SQLITE_OK) throw std::runtime_error("cannot write the GeoPackage " + shownAs_ + ": " + why);
}

sqlite3_stmt* LineGeoPackageWriter::prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr), "write");
    return statement;
}

namespace {
// Every GeoPackage lists WGS 84 beside the two undefined systems, whatever its own system is.
constexpr int kWgs84SrsId = 4326;
constexpr const char* kWgs84Definition =
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],"
    "AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\","
    "0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],AXIS[\"Latitude\",NORTH],AXIS[\"Longitude\",EAST],"
    "AUTHORITY[\"EPSG\",\"4326\"]]";
// The nearest float at or below, at or above a value: an index entry
// holds its line whatever the rounding.
float roundedDown(double value) {
    const float rounded = static_cast<float>(value);
    return rounded > value ? std::nextafter(rounded, -HUGE_VALF) : rounded;
}
float roundedUp(double value) {
    const float rounded = static_cast<float>(value);
    return rounded < value ? std::nextafter(rounded, HUGE_VALF) : rounded;
}

}  // namespace

void LineGeoPackageWriter::createTables() {
    execute(
        "CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL, srs_id INTEGER PRIMARY KEY,"
        " organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL, definition TEXT NOT NULL,"
        " description TEXT);"
        "INSERT INTO gpkg_spatial_ref_sys VALUES ('Undefined Cartesian SRS', -1, 'NONE', -1, 'undefined',"
        " 'undefined Cartesian coordinate reference system');"
        "INSERT INTO gpkg_spatial_ref_sys VALUES ('Undefined geographic SRS', 0, 'NONE', 0, 'undefined',"
        " 'undefined geographic coordinate reference system');"
        "CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT NULL,"
        " identifier TEXT UNIQUE, description TEXT DEFAULT '',"
        " last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),"
        " min_x DOUBLE, min_y DOUBLE, max_x DOUBLE, max_y DOUBLE, srs_id INTEGER,"
        " CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id));"
        "CREATE TABLE gpkg_geometry_columns (table_name TEXT NOT NULL, column_name TEXT NOT NULL,"
        " geometry_type_name TEXT NOT NULL, srs_id INTEGER NOT NULL, z TINYINT NOT NULL, m TINYINT NOT NULL,"
        " CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name),"
        " CONSTRAINT uk_gc_table_name UNIQUE (table_name),"
        " CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),"
        " CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));"
        "CREATE TABLE gpkg_extensions (table_name TEXT, column_name TEXT, extension_name TEXT NOT NULL,"
        " definition TEXT NOT NULL, scope TEXT NOT NULL,"
        " CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name));");
    if (srs_.srsId != kWgs84SrsId)
        execute(std::string("INSERT INTO gpkg_spatial_ref_sys VALUES ('WGS 84 geodetic', 4326, 'EPSG', 4326, ") +
                literal(kWgs84Definition) +
                ", 'longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid');");
    if (srs_.srsId > 0)
        execute("INSERT INTO gpkg_spatial_ref_sys VALUES (" + literal(srs_.name) + ", " + std::to_string(srs_.srsId) +
                ", " + literal(srs_.organization) + ", " + std::to_string(srs_.organizationId) + ", " +
                literal(srs_.definition) + ", NULL);");
    std::string columns = "fid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, geom LINESTRING";
    for (const GeoPackageField& field : fields_)
        columns += ", " + quoted(field.name) + (field.type == GeoPackageField::Type::Integer ? " INTEGER" : " REAL");
    const std::string srsId = std::to_string(srs_.srsId);
    execute("CREATE TABLE " + quoted(table_) + " (" + columns + ");" +
            "INSERT INTO gpkg_contents (table_name, data_type, identifier, srs_id) VALUES (" + literal(table_) +
            ", 'features', " + literal(table_) + ", " + srsId + ");" + "INSERT INTO gpkg_geometry_columns VALUES (" +
            literal(table_) + ", 'geom', 'LINESTRING', " + srsId + ", 0, 0);" + "INSERT INTO gpkg_extensions VALUES (" +
            literal(table_) +
            ", 'geom', 'gpkg_rtree_index', 'http://www.geopackage.org/spec120/#extension_rtree', 'write-only');" +
            "CREATE VIRTUAL TABLE " + quoted("rtree_" + table_ + "_geom") +
            " USING rtree(id, minx, maxx, miny, maxy);");
}

// The triggers that keep the index in step with later edits (the
// GeoPackage's own definitions; their functions come with the reader, so
// they are made once the features are in).
void LineGeoPackageWriter::createIndexTriggers() {
    const std::string t = quoted(table_), r = quoted("rtree_" + table_ + "_geom");
    auto name = [&](const char* which) { return quoted("rtree_" + table_ + "_geom_" + which); };
    const std::string values =
        "VALUES (NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom));";
    execute("CREATE TRIGGER " + name("insert") + " AFTER INSERT ON " + t +
            " WHEN (new.geom NOT NULL AND NOT ST_IsEmpty(NEW.geom)) BEGIN INSERT OR REPLACE INTO " + r + " " + values +
            " END;" + "CREATE TRIGGER " + name("update1") + " AFTER UPDATE OF geom ON " + t +
            " WHEN OLD.fid = NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
            " BEGIN INSERT OR REPLACE INTO " +
            r + " " + values + " END;" + "CREATE TRIGGER " + name("update2") + " AFTER UPDATE OF geom ON " + t +
            " WHEN OLD.fid = NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))"
            " BEGIN DELETE FROM " +
            r + " WHERE id = OLD.fid; END;" + "CREATE TRIGGER " + name("update3") + " AFTER UPDATE OF geom ON " + t +
            " WHEN OLD.fid != NEW.fid AND (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))"
            " BEGIN DELETE FROM " +
            r + " WHERE id = OLD.fid; INSERT OR REPLACE INTO " + r + " " + values + " END;" + "CREATE TRIGGER " +
            name("update4") + " AFTER UPDATE ON " + t +
            " WHEN OLD.fid != NEW.fid AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))"
            " BEGIN DELETE FROM " +
            r + " WHERE id IN (OLD.fid, NEW.fid); END;" + "CREATE TRIGGER " + name("delete") + " AFTER DELETE ON " + t +
            " WHEN old.geom NOT NULL BEGIN DELETE FROM " + r + " WHERE id = OLD.fid; END;");
}

char* LineGeoPackageWriter::appendLineGeometry(int srsId, std::size_t points, const Bounds& bounds, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + 8 + 32 + 9 + 16 * points);
    char* at = out.data() + start;
    // "GP", version 0, flags: little-endian header with an envelope of x and y.
    *at++ = 'G', *at++ = 'P', *at++ = 0, *at++ = 0x03;
    at = storeLittleEndian(static_cast<std::int32_t>(srsId), at);
    for (double value : {bounds.minX, bounds.maxX, bounds.minY, bounds.maxY}) at = storeLittleEndian(value, at);
    *at++ = 1;                                     // WKB, little-endian
    at = storeLittleEndian(std::uint32_t{2}, at);  // LineString
    return storeLittleEndian(static_cast<std::uint32_t>(points), at);
}

char* LineGeoPackageWriter::putPoint(char* at, double x, double y) {
    return storeLittleEndian(y, storeLittleEndian(x, at));
}

void LineGeoPackageWriter::addLine(std::string_view geometry, const Bounds& bounds, const std::vector<double>& values) {
    sqlite3_bind_blob64(insertFeature_, 1, geometry.data(), geometry.size(), SQLITE_STATIC);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const int column = static_cast<int>(i) + 2;
        if (fields_[i].type == GeoPackageField::Type::Integer)
            sqlite3_bind_int64(insertFeature_, column, static_cast<sqlite3_int64>(values[i]));
        else
            sqlite3_bind_double(insertFeature_, column, values[i]);
    }
    check(sqlite3_step(insertFeature_), "write");
    sqlite3_reset(insertFeature_);
    index_.push_back({sqlite3_last_insert_rowid(db_), roundedDown(bounds.minX), roundedUp(bounds.maxX),
                      roundedDown(bounds.minY), roundedUp(bounds.maxY)});
    extent_ = features_ ? Bounds{std::min(extent_.minX, bounds.minX), std::min(extent_.minY, bounds.minY),
                                 std::max(extent_.maxX, bounds.maxX), std::max(extent_.maxY, bounds.maxY)}
                        : bounds;
    ++features_;
}

namespace {

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

}  // namespace

// Runs a statement that returns no row, and makes it ready to run again.
void LineGeoPackageWriter::runOnce(sqlite3_stmt* statement) {
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    check(result, "write");
}

// The R-tree packed whole and written straight into the tables SQLite's
// R-tree module keeps it in (nodes, the leaf of each feature, the parent of
// each node): inserting the entries one by one through the module costs a
// descent and a rewrite of nodes each, ten times as long for a large file.
void LineGeoPackageWriter::fillIndex() {
    const std::string rtree = "rtree_" + table_ + "_geom";
    // Every node takes the bytes of the empty root the module made (its
    // cells at most 51, whatever the page size).
    const Statement root(prepare("SELECT length(data) FROM " + quoted(rtree + "_node") + " WHERE nodeno = 1"));
    const int found = sqlite3_step(root.get());
    const auto nodeBytes = static_cast<std::size_t>(found == SQLITE_ROW ? sqlite3_column_int64(root.get(), 0) : 0);
    constexpr std::size_t kCellBytes = 8 + 4 * 4;
    if (found != SQLITE_ROW || nodeBytes < 4 + kCellBytes)
        throw std::runtime_error("cannot write the GeoPackage " + shownAs_ + ": its R-tree has no root node");
    std::vector<RTreeBox> entries;
    entries.reserve(index_.size());
    for (const IndexEntry& entry : index_)
        entries.push_back({entry.fid, entry.minX, entry.maxX, entry.minY, entry.maxY});
    std::vector<IndexEntry>().swap(index_);
    std::vector<RTreeNode> nodes =
        packRTree(std::move(entries), std::min<std::size_t>(51, (nodeBytes - 4) / kCellBytes));
    writeIndexLeaves(rtree, writeIndexNodes(rtree, nodes, nodeBytes));
}

// Writes each node and its parent, and returns the leaf of each feature;
// the nodes' cells are let go on the way.
std::vector<std::pair<std::int64_t, std::int64_t>> LineGeoPackageWriter::writeIndexNodes(const std::string& rtree,
                                                                                         std::vector<RTreeNode>& nodes,
                                                                                         std::size_t nodeBytes) {
    const Statement node(
        prepare("INSERT OR REPLACE INTO " + quoted(rtree + "_node") + " (nodeno, data) VALUES (?, ?)"));
    const Statement parent(prepare("INSERT INTO " + quoted(rtree + "_parent") + " (nodeno, parentnode) VALUES (?, ?)"));
    const int depth = nodes.front().height;
    std::vector<std::pair<std::int64_t, std::int64_t>> leafOf;
    leafOf.reserve(features_);
    for (RTreeNode& n : nodes) {
        const std::string blob = rtreeNodeBlob(n, depth, nodeBytes);
        sqlite3_bind_int64(node.get(), 1, n.number);
        sqlite3_bind_blob64(node.get(), 2, blob.data(), blob.size(), SQLITE_STATIC);
        runOnce(node.get());
        if (n.parent) {
            sqlite3_bind_int64(parent.get(), 1, n.number);
            sqlite3_bind_int64(parent.get(), 2, n.parent);
            runOnce(parent.get());
        }
        if (n.height == 0)
            for (const RTreeBox& cell : n.cells) leafOf.emplace_back(cell.id, n.number);
        std::vector<RTreeBox>().swap(n.cells);
    }
    return leafOf;
}

// Writes the leaf of each feature in the order of the features: in the
// order of its keys a table grows at its end, where in the leaves' order
// each row would land anywhere in it. Many rows a statement: a step of
// SQLite's costs more than a row.
void LineGeoPackageWriter::writeIndexLeaves(const std::string& rtree,
                                            std::vector<std::pair<std::int64_t, std::int64_t>> leafOf) {
    std::sort(leafOf.begin(), leafOf.end());
    constexpr std::size_t kRowsAStatement = 256;
    auto statementOf = [&](std::size_t rows) {
        std::string sql = "INSERT INTO " + quoted(rtree + "_rowid") + " (rowid, nodeno) VALUES (?, ?)";
        for (std::size_t i = 1; i < rows; ++i) sql += ", (?, ?)";
        return Statement(prepare(sql));
    };
    Statement leaves = statementOf(kRowsAStatement);
    for (std::size_t first = 0; first < leafOf.size(); first += kRowsAStatement) {
        const std::size_t count = std::min(kRowsAStatement, leafOf.size() - first);
        if (count < kRowsAStatement) leaves = statementOf(count);  // the last few
        for (std::size_t i = 0; i < count; ++i) {
            sqlite3_bind_int64(leaves.get(), static_cast<int>(2 * i + 1), leafOf[first + i].first);
            sqlite3_bind_int64(leaves.get(), static_cast<int>(2 * i + 2), leafOf[first + i].second);
        }
        runOnce(leaves.get());
    }
}

void LineGeoPackageWriter::finish() {
    fillIndex();
    if (features_) {
        sqlite3_stmt* extent =
            prepare("UPDATE gpkg_contents SET min_x = ?, min_y = ?, max_x = ?, max_y = ? WHERE table_name = ?");
        sqlite3_bind_double(extent, 1, extent_.minX);
        sqlite3_bind_double(extent, 2, extent_.minY);
        sqlite3_bind_double(extent, 3, extent_.maxX);
        sqlite3_bind_double(extent, 4, extent_.maxY);
        sqlite3_bind_text(extent, 5, table_.c_str(), -1, SQLITE_TRANSIENT);
        const int result = sqlite3_step(extent);
        sqlite3_finalize(extent);
        check(result, "write");
    }
    createIndexTriggers();
    execute("COMMIT");
    sqlite3_finalize(insertFeature_);
    insertFeature_ = nullptr;
    check(sqlite3_close(db_), "close");
    db_ = nullptr;
    if (!durableWrites()) return;
    const int descriptor = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = descriptor >= 0 && syncFileData(descriptor) == 0;
    if (descriptor >= 0) ::close(descriptor);
    if (!synced) throw std::runtime_error("cannot write the GeoPackage " + shownAs_ + ": it did not reach the disk");
}

}  // namespace kestrune
