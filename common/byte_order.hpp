#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace kestrune {

// Numbers in files of a fixed byte order: ESRI GRIDs, INFO tables and
// shapefile headers are big-endian, shapefile records and dBASE counts
// little-endian. T is an integer or a float type of 2, 4 or 8 bytes.

namespace detail {

template <std::size_t Size>
using UnsignedOfSize =
    std::conditional_t<Size == 2, std::uint16_t, std::conditional_t<Size == 4, std::uint32_t, std::uint64_t>>;

template <class Bits>
Bits swapped(Bits bits) {
    if constexpr (sizeof(Bits) == 2) return static_cast<Bits>(__builtin_bswap16(bits));
    if constexpr (sizeof(Bits) == 4) return static_cast<Bits>(__builtin_bswap32(bits));
    if constexpr (sizeof(Bits) == 8) return static_cast<Bits>(__builtin_bswap64(bits));
}

template <std::endian Order, class T>
T load(const char* bytes) {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
    UnsignedOfSize<sizeof(T)> bits;
    std::memcpy(&bits, bytes, sizeof bits);
    if constexpr (Order != std::endian::native) bits = swapped(bits);
    return std::bit_cast<T>(bits);
}

template <std::endian Order, class T>
void store(T value, char* bytes) {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);
    auto bits = std::bit_cast<UnsignedOfSize<sizeof(T)>>(value);
    if constexpr (Order != std::endian::native) bits = swapped(bits);
    std::memcpy(bytes, &bits, sizeof bits);
}

}  // namespace detail

template <class T>
T loadBigEndian(const char* bytes) {
    return detail::load<std::endian::big, T>(bytes);
}
template <class T>
T loadLittleEndian(const char* bytes) {
    return detail::load<std::endian::little, T>(bytes);
}

// Writes sizeof(T) bytes at `bytes` and returns the place after them.
template <class T>
char* storeBigEndian(T value, char* bytes) {
    detail::store<std::endian::big>(value, bytes);
    return bytes + sizeof(T);
}
template <class T>
char* storeLittleEndian(T value, char* bytes) {
    detail::store<std::endian::little>(value, bytes);
    return bytes + sizeof(T);
}

// The same at the end of `out`.
template <class T>
void appendBigEndian(std::string& out, T value) {
    char bytes[sizeof(T)];
    out.append(bytes, storeBigEndian(value, bytes));
}
template <class T>
void appendLittleEndian(std::string& out, T value) {
    char bytes[sizeof(T)];
    out.append(bytes, storeLittleEndian(value, bytes));
}

}  // namespace kestrune
