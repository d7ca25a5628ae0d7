#pragma once

#include <cstddef>

namespace kestrune {

// Float cells to and from a GRID block's big-endian bytes, any NoData (NaN
// as well) becoming kGridNoData on the way, four cells at a time.
void storeCellsBigEndian(const float* cells, std::size_t count, char* bytes);
void loadCellsBigEndian(const char* bytes, std::size_t count, float* cells);

}  // namespace kestrune
