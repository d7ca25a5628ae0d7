#include "gis/esri_grid/big_endian_cells.hpp"

#include "gis/raster/no_data.hpp"

#include "common/byte_order.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

namespace kestrune {
namespace {

// Four cells in the compiler's portable vectors (SSE2 on x86-64, NEON on ARM).
using Words = std::uint32_t __attribute__((vector_size(16)));
using Floats = float __attribute__((vector_size(16)));
using Masks = std::int32_t __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 4;

Words byteSwapped(Words w) {
    w = ((w << 8) & 0xFF00FF00u) | ((w >> 8) & 0x00FF00FFu);
    return (w << 16) | (w >> 16);
}

// The words of `values`, kGridNoData's where a value is NoData.
Words wordsOf(Floats values) {
    const Masks missing = (values == kGridNoData) | (values != values);
    const Words noData = std::bit_cast<std::uint32_t>(kGridNoData) + Words{};
    const auto bits = reinterpret_cast<Words>(values);
    return (bits & ~reinterpret_cast<Words>(missing)) | (noData & reinterpret_cast<Words>(missing));
}

}  // namespace

void storeCellsBigEndian(const float* cells, std::size_t count, char* bytes) {
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Floats values;
        std::memcpy(&values, cells + i, sizeof values);
        const Words words = byteSwapped(wordsOf(values));
        std::memcpy(bytes + 4 * i, &words, sizeof words);
    }
    for (; i < count; ++i) storeBigEndian(isNoData(cells[i]) ? kGridNoData : cells[i], bytes + 4 * i);
}

void loadCellsBigEndian(const char* bytes, std::size_t count, float* cells) {
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Words words;
        std::memcpy(&words, bytes + 4 * i, sizeof words);
        const Words native = wordsOf(reinterpret_cast<Floats>(byteSwapped(words)));
        std::memcpy(cells + i, &native, sizeof native);
    }
    for (; i < count; ++i) {
        const float value = loadBigEndian<float>(bytes + 4 * i);
        cells[i] = isNoData(value) ? kGridNoData : value;
    }
}

}  // namespace kestrune
