#include "gis/esri_ascii/esri_ascii_reader.hpp"

#include "gis/esri_ascii/esri_ascii_header.hpp"

#include "common/mapped_file.hpp"
#include "common/memory_budget.hpp"
#include "common/number_text.hpp"
#include "common/progress.hpp"
#include "common/quoted_text.hpp"
#include "common/worker_pool.hpp"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

namespace kestrune {
namespace {

constexpr std::size_t kChunkBytes = 32u << 20;
constexpr std::size_t kHeaderBytes = 64u << 10;
constexpr std::size_t kLongestValue = 1024;
constexpr double kCellsReadToTheEnd = 1 << 20;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A failure at a byte offset of the file, turned into a line number later.
struct ValueFailure {
    std::size_t offset = 0;
    std::string reason;
};

// ---- values ----

// Parses the values of one piece of text into `out`, at most `room` of them.
class ValueParser {
public:
    ValueParser(double nodata, std::size_t fileOffset) : nodata_(nodata), fileOffset_(fileOffset) {}

    // Returns the number of values read; a failure stops the reading.
    std::size_t parse(std::string_view text, float* out, std::size_t room, std::optional<ValueFailure>& failure) {
        const char* begin = text.data();
        const char* p = begin;
        const char* end = p + text.size();
        std::size_t count = 0;
        for (;;) {
            while (p != end && isSpace(*p)) ++p;
            if (p == end) return count;
            const char* token = p;
            double value;
            p = readNumber(p, end, value);
            if (!p) {
                const char* tokenEnd = token;
                while (tokenEnd != end && !isSpace(*tokenEnd)) ++tokenEnd;
                failure = ValueFailure{
                    fileOffset_ + (token - begin),
                    "the value " + quotedText(std::string_view(token, tokenEnd - token)) + " is not a number"};
                return count;
            }
            if (count == room) {
                failure = ValueFailure{fileOffset_ + (token - begin), "more values than ncols x nrows"};
                return count;
            }
            if (value == nodata_) {
                out[count++] = kGridNoData;
            } else if (std::fabs(value) > FLT_MAX) {
                failure = ValueFailure{fileOffset_ + (token - begin),
                                       "the value " + formatDouble(value) + " is outside the 32-bit float range"};
                return count;
            } else {
                out[count++] = static_cast<float>(value);
            }
        }
    }

private:
    // The number rules of every other reading: an optional sign, digits or a
    // fraction, an optional exponent; the token must end in white space.
    static const char* readNumber(const char* p, const char* end, double& value) {
        const char* start = p;
        if (*p == '+')
            start = ++p;
        else if (*p == '-')
            ++p;
        if (p == end || !(isDigit(*p) || *p == '.')) return nullptr;
        auto result = fast_float::from_chars(start, end, value);
        if (result.ec != std::errc() || !std::isfinite(value)) return nullptr;
        if (result.ptr != end && !isSpace(*result.ptr)) return nullptr;
        return result.ptr;
    }

    double nodata_;
    std::size_t fileOffset_;
};

// The line of `text` that holds `offset`, counted from 1.
std::uint64_t lineAtOffset(std::string_view text, std::size_t offset) {
    std::uint64_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n' ? i == 0 || text[i - 1] != '\r' : text[i] == '\r') ++line;
    return line;
}

// Where a piece of text may be cut: just past the last white space (the
// value before it is complete), or 0 when there is none.
std::size_t lastSpaceEnd(std::string_view text) {
    std::size_t i = text.size();
    while (i > 0 && !isSpace(text[i - 1])) --i;
    return i;
}

class ValueReader {
public:
    ValueReader(MappedFile& file, const EsriAsciiHeader& header, std::size_t cells, const CellSink& sink)
        : file_(file), header_(header), cells_(cells), sink_(sink) {}

    // Reads every value, on the worker pool, handing them to the sink in
    // order; returns the first failure in file order. The file is mapped and
    // read in large pieces, each parsed in parts at once, then dropped from
    // memory: no copy of the text is made, and only a piece of it is
    // resident at a time.
    std::optional<ValueFailure> readAll() {
        const std::string_view all = file_.text();
        std::size_t offset = std::min<std::size_t>(header_.dataOffset, all.size());
        ProgressCounter progress(all.size() - offset);
        while (offset < all.size()) {
            const std::string_view text = all.substr(offset, kChunkBytes);
            const bool atEnd = offset + text.size() == all.size();
            const std::size_t usable = atEnd ? text.size() : lastSpaceEnd(text);
            // No number is that long: a file without white space (a binary
            // file, a broken copy) is told at once, not read to its end.
            if (text.size() - usable > kLongestValue)
                return ValueFailure{offset + usable,
                                    "a value is longer than " + std::to_string(kLongestValue) + " characters"};
            if (auto failure = readPiece(text.substr(0, usable), offset)) return failure;
            offset += usable;
            file_.releaseBefore(offset);
            progress.add(usable);
        }
        return std::nullopt;
    }

    std::size_t valuesRead() const { return filled_; }

private:
    // Reads a piece of text in parts on the worker pool, each into a buffer
    // of its own, handed on in order when all are done.
    std::optional<ValueFailure> readPiece(std::string_view text, std::size_t offset) {
        const std::size_t parts = std::min<std::size_t>(WorkerPool::instance().size(), text.size() / (1u << 16) + 1);
        std::vector<std::size_t> starts{0};
        for (std::size_t i = 1; i < parts; ++i)
            starts.push_back(std::max(starts.back(), lastSpaceEnd(text.substr(0, text.size() * i / parts))));
        starts.push_back(text.size());
        const std::size_t room = cells_ - filled_;
        partValues_.resize(parts);
        std::vector<std::size_t> counts(parts, 0);
        std::vector<std::optional<ValueFailure>> failures(parts);
        parallelFor(parts, [&](std::size_t i) {
            const std::string_view part = text.substr(starts[i], starts[i + 1] - starts[i]);
            // Every value takes a character and a separator.
            partValues_[i].resize(std::min(room, part.size() / 2 + 1));
            counts[i] = ValueParser(header_.nodata, offset + starts[i])
                            .parse(part, partValues_[i].data(), partValues_[i].size(), failures[i]);
        });
        for (std::size_t i = 0; i < parts; ++i) {
            if (counts[i] > cells_ - filled_) {
                // Only the first value past the end needs its place.
                const std::size_t fits = cells_ - filled_;
                std::optional<ValueFailure> excess;
                ValueParser(header_.nodata, offset + starts[i])
                    .parse(text.substr(starts[i], starts[i + 1] - starts[i]), partValues_[i].data(), fits, excess);
                return excess;
            }
            if (counts[i]) sink_(partValues_[i].data(), counts[i]);
            filled_ += counts[i];
            if (failures[i]) return failures[i];
        }
        return std::nullopt;
    }

    MappedFile& file_;
    const EsriAsciiHeader& header_;
    std::size_t cells_;
    const CellSink& sink_;
    std::size_t filled_ = 0;
    std::vector<LargeArray<float>> partValues_;
};

}  // namespace

EsriAsciiFile::EsriAsciiFile(const std::string& path) : path_(path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) throw std::runtime_error(path + ": cannot open the file: " + std::strerror(errno));
    std::string start(kHeaderBytes, '\0');
    start.resize(std::fread(start.data(), 1, kHeaderBytes, file.get()));
    try {
        header_ = parseEsriAsciiHeader(start);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(path + ": " + failure.what());
    }
    const RasterGeometry& raster = header_.geometry;
    if (std::string problem = extentProblem(raster); !problem.empty()) throw std::runtime_error(path + ": " + problem);
    // Every value takes a character and a separator (the last one none): a
    // large raster's header is checked against the file before anything is
    // read. A small one is read, to say which values are missing.
    const double cells = static_cast<double>(raster.ncols) * static_cast<double>(raster.nrows);
    std::error_code sizeError;
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path, sizeError));
    if (!sizeError && cells > kCellsReadToTheEnd && fileBytes - static_cast<double>(header_.dataOffset) < 2 * cells - 1)
        throw std::runtime_error(path + ": ncols x nrows = " + formatDouble(cells) + " values need at least " +
                                 formatDouble(2 * cells - 1) + " bytes, the file holds " +
                                 formatDouble(fileBytes - static_cast<double>(header_.dataOffset)) +
                                 " after its header");
}

const RasterGeometry& EsriAsciiFile::geometry() const { return header_.geometry; }

void EsriAsciiFile::readCells(const CellSink& sink) const {
    std::unique_ptr<MappedFile> mapped;
    try {
        mapped = std::make_unique<MappedFile>(path_);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(path_ + ": " + failure.what());
    }
    const RasterGeometry& raster = header_.geometry;
    const auto cells = static_cast<std::size_t>(raster.ncols * raster.nrows);
    ValueReader reader(*mapped, header_, cells, sink);
    if (auto failure = reader.readAll())
        throw std::runtime_error(path_ + " line " + std::to_string(lineAtOffset(mapped->text(), failure->offset)) +
                                 ": " + failure->reason);
    if (reader.valuesRead() < cells)
        throw std::runtime_error(path_ + ": too few values: " + std::to_string(reader.valuesRead()) + " of " +
                                 std::to_string(cells) + " (ncols x nrows)");
}

FloatRaster readEsriAscii(const std::string& path, std::uint64_t memoryBytes) {
    const EsriAsciiFile file(path);
    FloatRaster raster;
    static_cast<RasterGeometry&>(raster) = file.geometry();
    const double cells = static_cast<double>(raster.ncols) * static_cast<double>(raster.nrows);
    if (cells * sizeof(float) > static_cast<double>(memoryBudget(memoryBytes)))
        throw std::runtime_error(path + ": a raster of " + std::to_string(raster.ncols) + " x " +
                                 std::to_string(raster.nrows) + " cells is too large");
    raster.cells.resize(static_cast<std::size_t>(raster.ncols * raster.nrows));
    std::size_t filled = 0;
    file.readCells([&](const float* values, std::size_t count) {
        std::copy_n(values, count, raster.cells.data() + filled);
        filled += count;
    });
    return raster;
}

}  // namespace kestrune
