#include "gis/shapefile/polyline_shapefile_writer.hpp"

#include "common/byte_order.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

namespace kestrune {
namespace {

constexpr std::int32_t kPolyLine = 3;

}  // namespace

PolylineShapefileWriter::PolylineShapefileWriter(std::string basePath, std::vector<ShapefileField> fields,
                                                 std::string projection, std::uint64_t sizeLimit,
                                                 const std::string& shownBase)
    : basePath_(std::move(basePath)),
      shownBase_(shownBase.empty() ? basePath_ : shownBase),
      fields_(std::move(fields)),
      projection_(std::move(projection)),
      sizeLimit_(sizeLimit),
      shp_(basePath_ + ".shp", shownBase_ + ".shp"),
      shx_(basePath_ + ".shx", shownBase_ + ".shx"),
      dbf_(basePath_ + ".dbf", shownBase_ + ".dbf") {
    const std::string placeholder(100, '\0');
    shp_.write(placeholder);
    shx_.write(placeholder);
    const std::string header = dbfHeader();
    dbf_.write(header);
    dbfBytes_ = header.size() + 1;  // and the end-of-file mark
}

PolylineShapefileWriter::~PolylineShapefileWriter() = default;

std::string PolylineShapefileWriter::fieldText(double value, const ShapefileField& field) const {
    char digits[64];
    auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, field.decimals);
    const auto length = static_cast<std::size_t>(written.ptr - digits);
    if (written.ec != std::errc() || length > static_cast<std::size_t>(field.width))
        throw std::runtime_error("the value " + std::string(digits, written.ptr) + " does not fit the field " +
                                 field.name + " of " + shownBase_ + ".dbf");
    std::string text(static_cast<std::size_t>(field.width) - length, ' ');
    return text.append(digits, length);
}

// The dBASE III header with the record count filled in by finish().
std::string PolylineShapefileWriter::dbfHeader() const {
    std::size_t recordBytes = 1;
    for (const auto& field : fields_) recordBytes += static_cast<std::size_t>(field.width);
    const std::size_t headerBytes = 32 + 32 * fields_.size() + 1;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    std::string header;
    header.push_back(0x03);
    header.push_back(static_cast<char>(today.tm_year));
    header.push_back(static_cast<char>(today.tm_mon + 1));
    header.push_back(static_cast<char>(today.tm_mday));
    appendLittleEndian<std::uint32_t>(header, static_cast<std::uint32_t>(features_));
    header.push_back(static_cast<char>(headerBytes & 0xff));
    header.push_back(static_cast<char>(headerBytes >> 8));
    header.push_back(static_cast<char>(recordBytes & 0xff));
    header.push_back(static_cast<char>(recordBytes >> 8));
    header.append(20, '\0');
    header[29] = 0x57;  // language driver 87: ISO 8859-1, as GDAL writes it
    for (const auto& field : fields_) {
        std::string descriptor(32, '\0');
        descriptor.replace(0, std::min<std::size_t>(field.name.size(), 10), field.name.substr(0, 10));
        descriptor[11] = 'N';
        descriptor[16] = static_cast<char>(field.width);
        descriptor[17] = static_cast<char>(field.decimals);
        header += descriptor;
    }
    header.push_back(0x0d);
    return header;
}

std::string PolylineShapefileWriter::mainHeader(std::uint64_t fileBytes, bool withBounds) const {
    std::string header;
    appendBigEndian<std::uint32_t>(header, 9994);
    header.append(20, '\0');
    appendBigEndian<std::uint32_t>(header, static_cast<std::uint32_t>(fileBytes / 2));
    appendLittleEndian<std::uint32_t>(header, 1000);
    appendLittleEndian<std::uint32_t>(header, kPolyLine);
    for (double value : {minX_, minY_, maxX_, maxY_}) appendLittleEndian<double>(header, withBounds ? value : 0.0);
    header.append(32, '\0');
    return header;
}

void PolylineShapefileWriter::appendContentStart(std::size_t points, const Bounds& bounds, std::string& content) {
    appendLittleEndian<std::uint32_t>(content, kPolyLine);
    for (double value : {bounds.minX, bounds.minY, bounds.maxX, bounds.maxY})
        appendLittleEndian<double>(content, value);
    appendLittleEndian<std::uint32_t>(content, 1);  // parts
    appendLittleEndian<std::uint32_t>(content, static_cast<std::uint32_t>(points));
    appendLittleEndian<std::uint32_t>(content, 0);  // the part starts at the first point
}

void PolylineShapefileWriter::appendPoint(double x, double y, std::string& content) {
    appendLittleEndian<double>(content, x);
    appendLittleEndian<double>(content, y);
}

char* PolylineShapefileWriter::appendPointRoom(std::string& content, std::size_t points) {
    const std::size_t at = content.size();
    content.resize(at + 16 * points);
    return content.data() + at;
}

void PolylineShapefileWriter::addLine(const std::vector<double>& xy, const std::vector<double>& values) {
    const std::size_t points = xy.size() / 2;
    Bounds bounds{xy[0], xy[1], xy[0], xy[1]};
    for (std::size_t i = 1; i < points; ++i) {
        bounds.minX = std::min(bounds.minX, xy[2 * i]);
        bounds.maxX = std::max(bounds.maxX, xy[2 * i]);
        bounds.minY = std::min(bounds.minY, xy[2 * i + 1]);
        bounds.maxY = std::max(bounds.maxY, xy[2 * i + 1]);
    }
    std::string content;
    appendContentStart(points, bounds, content);
    for (std::size_t i = 0; i < points; ++i) appendPoint(xy[2 * i], xy[2 * i + 1], content);
    addEncodedLine(content, values);
}

bool PolylineShapefileWriter::startRecord(std::uint64_t contentBytes, const Bounds& bounds,
                                          const std::vector<double>& values) {
    std::size_t recordBytes = 1;
    for (const auto& field : fields_) recordBytes += static_cast<std::size_t>(field.width);
    const std::uint64_t shpOffset = shpBytes_;
    shpBytes_ += 8 + contentBytes;
    shxBytes_ += 8;
    dbfBytes_ += recordBytes;
    ++features_;
    if (std::max(shpBytes_, dbfBytes_) > sizeLimit_) overLimit_ = true;
    if (overLimit_) return false;  // counting on, for the size the whole would need

    if (features_ == 1) {
        minX_ = bounds.minX, maxX_ = bounds.maxX, minY_ = bounds.minY, maxY_ = bounds.maxY;
    } else {
        minX_ = std::min(minX_, bounds.minX), maxX_ = std::max(maxX_, bounds.maxX);
        minY_ = std::min(minY_, bounds.minY), maxY_ = std::max(maxY_, bounds.maxY);
    }
    record_.clear();
    appendBigEndian<std::uint32_t>(record_, static_cast<std::uint32_t>(features_));
    appendBigEndian<std::uint32_t>(record_, static_cast<std::uint32_t>(contentBytes / 2));
    shp_.write(record_);

    record_.clear();
    appendBigEndian<std::uint32_t>(record_, static_cast<std::uint32_t>(shpOffset / 2));
    appendBigEndian<std::uint32_t>(record_, static_cast<std::uint32_t>(contentBytes / 2));
    shx_.write(record_);

    row_.assign(1, ' ');
    for (std::size_t i = 0; i < fields_.size(); ++i) row_ += fieldText(values.at(i), fields_[i]);
    dbf_.write(row_);
    return true;
}

void PolylineShapefileWriter::addEncodedLine(std::string_view content, const std::vector<double>& values) {
    const Bounds bounds{loadLittleEndian<double>(&content[4]), loadLittleEndian<double>(&content[12]),
                        loadLittleEndian<double>(&content[20]), loadLittleEndian<double>(&content[28])};
    if (startRecord(content.size(), bounds, values)) shp_.write(content);
}

void PolylineShapefileWriter::startLine(std::size_t points, const Bounds& bounds, const std::vector<double>& values) {
    std::string start;
    appendContentStart(points, bounds, start);
    streaming_ = startRecord(start.size() + 16 * static_cast<std::uint64_t>(points), bounds, values);
    if (streaming_) shp_.write(start);
}

void PolylineShapefileWriter::appendPoints(std::string_view pointBytes) {
    if (streaming_) shp_.write(pointBytes);
}

void PolylineShapefileWriter::finish() {
    if (overLimit_) {
        const std::uint64_t needed = std::max(shpBytes_, dbfBytes_);
        throw ShapefileTooLarge("the shapefile " + shownBase_ + " needs " + std::to_string(needed) +
                                    " bytes in one file, more than " + std::to_string(sizeLimit_),
                                needed);
    }
    const char endOfFile = 0x1a;
    dbf_.write(std::string_view(&endOfFile, 1));
    dbf_.writeAt(0, dbfHeader());
    shp_.writeAt(0, mainHeader(shpBytes_, features_ > 0));
    shx_.writeAt(0, mainHeader(shxBytes_, features_ > 0));
    shp_.finish();
    shx_.finish();
    dbf_.finish();
    if (!projection_.empty()) {
        DurableFile prj(basePath_ + ".prj", shownBase_ + ".prj");
        prj.write(projection_);
        prj.finish();
    }
}

}  // namespace kestrune
