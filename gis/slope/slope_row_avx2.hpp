#pragma once

#include <cstdint>

namespace kestrune {

// Slopes of the cells [first, end) of `row`, four at a time, as slopeHorn
// gives them with NoData neighbours taking the centre's value (and NoData
// for a NoData centre); `above` and `below` are whole rows. Returns the
// first column it left to the caller (fewer than four remained). Only for
// processors with AVX2 and FMA.
std::int64_t slopeColumnsAvx2(const float* above, const float* row, const float* below, std::int64_t first,
                              std::int64_t end, double eastWest, double northSouth, double zFactor, float* out);

}  // namespace kestrune
