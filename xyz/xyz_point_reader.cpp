#include "xyz/xyz_point_reader.hpp"

#include "common/mapped_file.hpp"
#include "common/number_text.hpp"
#include "common/progress.hpp"
#include "common/quoted_text.hpp"
#include "common/worker_pool.hpp"

#include <fast_float/fast_float.h>

#include <cfloat>
#include <cmath>
#include <optional>

namespace kestrune {
namespace {

constexpr std::size_t kChunkBytes = 32u << 20;
constexpr std::size_t kLongestLine = 64u << 10;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Past the line end at `p` (CR LF counts as one).
const char* skipLineEnd(const char* p, const char* end) {
    if (p == end) return p;
    if (*p == '\r' && p + 1 != end && p[1] == '\n') return p + 2;
    return p + 1;
}

// Every Z ends in a float cell of a GRID: one beyond its range is refused
// here, where the line is known, rather than at the GRID.
bool fitsAGridCell(double z) { return std::fabs(z) <= FLT_MAX; }

bool isComment(char first) { return first == '#' || first == '\'' || first == '\\' || first == '/'; }

struct LineFailure {
    bool formatFailure = false;
    std::uint64_t line = 0;
    std::string reason;
};

// What parsing one piece of text gives: its points, or the first bad line.
struct ParsedText {
    XyzPointSet points;
    std::uint64_t lineCount = 0;
    std::optional<LineFailure> failure;
};

class TextParser {
public:
    TextParser(std::string_view separator, std::uint64_t firstLine)
        : sep_(separator), line_(firstLine), plainSeparator_(plainSeparatorOf(separator)) {}

    ParsedText parse(std::string_view text) {
        ParsedText result;
        const char* p = text.data();
        const char* end = p + text.size();
        LargeArray<double> coords;
        // A data line holds at least five characters and its line end. The
        // untouched rest of the reserve costs address space, not memory.
        coords.reserve(3 * (text.size() / 6 + 1));
        for (; p != end; ++line_, ++result.lineCount) {
            if (const char* next = readPlainLine(p, end, coords, result.points)) {
                p = next;
                continue;
            }
            const char* lineEnd = p;
            while (lineEnd != end && !isLineEnd(*lineEnd)) ++lineEnd;
            std::string_view line(p, lineEnd - p);
            p = skipLineEnd(lineEnd, end);
            if (!line.empty() && isComment(line.front())) continue;
            if (!readDataLine(line, coords, result)) {
                result.failure = failure_;
                break;
            }
        }
        if (!coords.empty()) result.points.blocks.push_back(std::move(coords));
        return result;
    }

private:
    // The separator as one character, when no number can contain it.
    static char plainSeparatorOf(std::string_view separator) {
        if (separator.size() != 1) return 0;
        char c = separator.front();
        return isDigit(c) || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E' || c == 0 ? 0 : c;
    }

    static const char* readPlainNumber(const char* p, const char* end, double& value) {
        const char* digits = p + (p != end && *p == '-');
        if (digits == end || !(isDigit(*digits) || *digits == '.')) return nullptr;
        auto result = fast_float::from_chars(p, end, value);
        if (result.ec != std::errc() || !std::isfinite(value)) return nullptr;
        return result.ptr;
    }

    // The common line "x<sep>y<sep>z" read in one pass. Any other line gives
    // nullptr and goes to the exact reading below, which yields the same
    // point or names the failure.
    const char* readPlainLine(const char* p, const char* end, LargeArray<double>& coords, XyzPointSet& points) {
        if (!plainSeparator_) return nullptr;
        double value[3];
        for (int field = 0; field < 3; ++field) {
            if (!(p = readPlainNumber(p, end, value[field]))) return nullptr;
            if (field < 2 && (p == end || *p++ != plainSeparator_)) return nullptr;
        }
        if (p != end && *p == plainSeparator_) {
            while (p != end && !isLineEnd(*p)) ++p;  // later fields are ignored
        } else if (p != end && !isLineEnd(*p)) {
            return nullptr;
        }
        if (!fitsAGridCell(value[2])) return nullptr;  // the exact reading names the line
        coords.push_back(value[0]);
        coords.push_back(value[1]);
        coords.push_back(value[2]);
        addToExtent(points, value[0], value[1]);
        return skipLineEnd(p, end);
    }

    bool fail(bool formatFailure, std::string reason) {
        failure_ = LineFailure{formatFailure, line_, std::move(reason)};
        return false;
    }

    // Splits off the next field; false when the separator does not follow.
    bool nextField(std::string_view& rest, std::string_view& field) const {
        std::size_t at = rest.find(sep_);
        if (at == std::string_view::npos) {
            field = rest;
            rest = {};
            return false;
        }
        field = rest.substr(0, at);
        rest.remove_prefix(at + sep_.size());
        return true;
    }

    bool readField(std::string_view field, int number, double& value) {
        auto parsed = parseNumber(field);
        if (!parsed)
            return fail(false, "field " + std::to_string(number) + " " + quotedText(field) + " is not a number");
        value = *parsed;
        return true;
    }

    bool readDataLine(std::string_view line, LargeArray<double>& coords, ParsedText& result) {
        if (line.empty()) return fail(false, "empty line: the X, Y and Z fields are missing");
        std::string_view rest = line, x, y, z;
        if (!nextField(rest, x)) return fail(true, "the separator does not occur in the line");
        bool hasThird = nextField(rest, y);
        double vx, vy, vz;
        if (!readField(x, 1, vx)) return false;
        if (!readField(y, 2, vy)) return false;
        if (!hasThird) return fail(false, "field 3 (Z) is missing");
        nextField(rest, z);
        if (!readField(z, 3, vz)) return false;
        if (!fitsAGridCell(vz))
            return fail(false, "the Z value " + formatDouble(vz) +
                                   " is beyond what a 32-bit GRID cell holds (3.4028235E+38 either way)");
        coords.push_back(vx);
        coords.push_back(vy);
        coords.push_back(vz);
        addToExtent(result.points, vx, vy);
        return true;
    }

    static void addToExtent(XyzPointSet& points, double x, double y) {
        if (points.distinctX.size() == 0) {
            points.minX = points.maxX = x;
            points.minY = points.maxY = y;
        } else {
            if (x > points.maxX) points.maxX = x;
            if (x < points.minX) points.minX = x;
            if (y > points.maxY) points.maxY = y;
            if (y < points.minY) points.minY = y;
        }
        points.distinctX.insert(x);
        points.distinctY.insert(y);
    }

    std::string_view sep_;
    std::uint64_t line_;
    char plainSeparator_;
    LineFailure failure_;
};

// Where text cut at `at` continues: just past the first line end from there,
// so no piece splits a line.
std::size_t nextLineStart(std::string_view text, std::size_t at) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* p = begin + std::min(at, text.size());
    while (p != end && !isLineEnd(*p)) ++p;
    return static_cast<std::size_t>(skipLineEnd(p, end) - begin);
}

// Parses pieces of a text on the worker pool; the pieces join in file
// order, so the first bad line and "last point wins" stay as in a
// sequential reading.
ParsedText parseInParallel(std::string_view text, std::string_view separator, std::uint64_t firstLine) {
    constexpr std::size_t kSmallestPiece = 1u << 20;
    const std::size_t pieces = std::min<std::size_t>(WorkerPool::instance().size(), text.size() / kSmallestPiece + 1);
    if (pieces < 2) return TextParser(separator, firstLine).parse(text);
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 1; i < pieces; ++i) starts.push_back(nextLineStart(text, text.size() * i / pieces));
    starts.push_back(text.size());
    std::vector<ParsedText> parsed(pieces);
    parallelFor(pieces, [&](std::size_t i) {
        const std::size_t begin = std::min(starts[i], starts[i + 1]);
        parsed[i] = TextParser(separator, 0).parse(text.substr(begin, starts[i + 1] - begin));
    });
    ParsedText all;
    all.lineCount = 0;
    for (ParsedText& piece : parsed) {
        if (piece.failure) {
            piece.failure->line += firstLine + all.lineCount;
            all.failure = piece.failure;
            return all;
        }
        all.points.append(std::move(piece.points));
        all.lineCount += piece.lineCount;
    }
    return all;
}

[[noreturn]] void throwFailure(const LineFailure& failure) {
    std::string what = "line " + std::to_string(failure.line) + ": " + failure.reason;
    if (failure.formatFailure) throw XyzFormatError(failure.line, what);
    throw std::runtime_error(what);
}

// Within `text`, the end of its last complete line. A CR at the very end
// may be the first half of CR LF, so it waits for the next chunk.
std::size_t completeLinesEnd(std::string_view text) {
    std::size_t i = text.size();
    if (i > 0 && text[i - 1] == '\r') --i;
    while (i > 0 && !isLineEnd(text[i - 1])) --i;
    return i;
}

}  // namespace

XyzPointSet parseXyzText(std::string_view text, std::string_view separator, std::uint64_t firstLine) {
    ParsedText parsed = parseInParallel(text, separator, firstLine);
    if (parsed.failure) throwFailure(*parsed.failure);
    return std::move(parsed.points);
}

XyzPointSet ReadXyzPoints(const std::string& xyzPath, const std::string& separator) {
    MappedFile file(xyzPath);
    const std::string_view text = file.text();
    XyzPointSet points;
    std::uint64_t nextLine = 1;
    ProgressCounter progress(text.size());
    for (std::size_t start = 0; start < text.size();) {
        // No point line is that long: a file without line ends (a binary
        // file, a broken copy) is told at once, not read to its end.
        const std::string_view next = text.substr(start, kLongestLine + 1);
        if (next.size() > kLongestLine && next.find_first_of("\r\n") == std::string_view::npos)
            throw std::runtime_error("line " + std::to_string(nextLine) + " is longer than " +
                                     std::to_string(kLongestLine) + " bytes");
        // Windows end at a line end.
        const std::string_view window = text.substr(start, kChunkBytes);
        const std::size_t usable = start + window.size() == text.size() ? window.size() : completeLinesEnd(window);
        ParsedText parsed = parseInParallel(window.substr(0, usable), separator, nextLine);
        if (parsed.failure) throwFailure(*parsed.failure);
        nextLine += parsed.lineCount;
        points.append(std::move(parsed.points));
        start += usable;
        file.releaseBefore(start);
        progress.add(usable);
    }
    return points;
}

}  // namespace kestrune
