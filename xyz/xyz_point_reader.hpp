#pragma once

#include "xyz/xyz_point_set.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrune {

// A data line in which the separator does not occur: the file does not have
// the column layout the user chose.
class XyzFormatError : public std::runtime_error {
public:
    XyzFormatError(std::uint64_t line, const std::string& what) : std::runtime_error(what), line_(line) {}
    std::uint64_t line() const { return line_; }

private:
    std::uint64_t line_;
};

// Reads the points of an XYZ file. A line ends at CR LF, LF or CR. A line
// beginning with "#", "'", "\" or "/" is a comment; every other line, the
// empty one too, is a data line cut at each occurrence of `separator`:
// fields 1 to 3 are X, Y and Z, later fields are ignored.
// Throws XyzFormatError for a non-empty data line without the separator and
// std::runtime_error (naming the line) for a missing or non-numeric field, a
// line longer than 64 KiB, or a file that cannot be read. The first bad line
// in file order is reported.
XyzPointSet ReadXyzPoints(const std::string& xyzPath, const std::string& separator);

// The same on text already in memory; `firstLine` numbers its first line.
XyzPointSet parseXyzText(std::string_view text, std::string_view separator, std::uint64_t firstLine = 1);

}  // namespace kestrune
