#pragma once

#include "common/byte_order.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Builds the big-endian binary records of a GRID's files and INFO tables.
class BinaryRecord {
public:
    void int16(std::int16_t value) { appendBigEndian(bytes_, value); }
    void unsigned16(std::uint16_t value) { appendBigEndian(bytes_, value); }
    void int32(std::int32_t value) { appendBigEndian(bytes_, value); }
    void float32(float value) { appendBigEndian(bytes_, value); }
    void float64(double value) { appendBigEndian(bytes_, value); }
    void zeros(std::size_t count) { bytes_.append(count, '\0'); }
    // Text padded with blanks (or cut) to `width` characters.
    void text(std::string_view value, std::size_t width) {
        std::string field(value.substr(0, width));
        field.resize(width, ' ');
        bytes_ += field;
    }
    void raw(std::string_view value) { bytes_ += value; }

    const std::string& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

}  // namespace kestrune
