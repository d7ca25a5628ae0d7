#pragma once

#include "xyz/distinct_value_set.hpp"

#include "common/large_array.hpp"

#include <cstddef>
#include <vector>

namespace kestrune {

// The points of one XYZ file, in file order. They are kept as the blocks the
// reader parsed (x, y, z interleaved), so that no reallocation ever copies
// them and peak memory stays near 24 bytes a point.
struct XyzPointSet {
    std::vector<LargeArray<double>> blocks;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    DistinctValueSet distinctX, distinctY;

    std::size_t pointCount() const {
        std::size_t count = 0;
        for (const auto& block : blocks) count += block.size() / 3;
        return count;
    }
    // Adds the points, extent and distinct values of a later part of the file.
    void append(XyzPointSet&& later);
};

}  // namespace kestrune
