#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// Throws std::runtime_error when `folder` has less free space than the
// `bytes` that `what` needs ("the GRID dem needs 1 GB, more than the 49.9 MB
// free in /data/grids"), before any of it is written. A folder whose free
// space cannot be told is let through: the writes then tell.
void checkFreeSpace(const std::string& folder, std::uint64_t bytes, const std::string& what);

}  // namespace kestrune
