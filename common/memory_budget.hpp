#pragma once

#include <cstdint>

namespace kestrune {

// The bytes of memory a raster may take at most: `requested` when it is not
// zero (tests pass a small budget), else this machine's physical memory.
std::uint64_t memoryBudget(std::uint64_t requested = 0);

}  // namespace kestrune
