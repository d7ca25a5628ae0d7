#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrune {

// Builds the big-endian binary records of the GRID format.
class BigEndianWriter {
public:
    void int16(std::int16_t value) { unsigned16(static_cast<std::uint16_t>(value)); }
    void unsigned16(std::uint16_t value) { put(value, 2); }
    void int32(std::int32_t value) { put(static_cast<std::uint32_t>(value), 4); }
    void float32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        put(bits, 4);
    }
    void float64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        put(bits, 8);
    }
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
    void put(std::uint64_t value, int width) {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) bytes_.push_back(static_cast<char>(value >> shift));
    }
    std::string bytes_;
};

// Overwrites a big-endian int32 at `offset` of `bytes`.
inline void patchInt32(std::string& bytes, std::size_t offset, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(bits >> (24 - 8 * i));
}

inline std::uint32_t bigEndianFloatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return __builtin_bswap32(bits);
}

inline std::int16_t readInt16(const char* p) {
    return static_cast<std::int16_t>((static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]));
}

inline double readFloat64(const char* p) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | static_cast<unsigned char>(p[i]);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

inline std::int32_t readInt32(const char* p) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<std::int32_t>(value);
}

}  // namespace kestrune
