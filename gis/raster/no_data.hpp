#pragma once

#include <cfloat>

namespace kestrune {

// The NoData value of a float GRID cell, and of every cell Kestrune hands on.
inline constexpr float kGridNoData = -FLT_MAX;

// True for a cell without a value. Readers turn their files' NoData into
// kGridNoData; NaN counts as NoData too, wherever it may come from.
inline bool isNoData(float value) { return value == kGridNoData || value != value; }

}  // namespace kestrune
