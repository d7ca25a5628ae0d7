#include "xyz/xyz_point_set.hpp"

#include <algorithm>

namespace kestrune {

void XyzPointSet::append(XyzPointSet&& later) {
    if (later.pointCount() == 0) return;
    if (pointCount() == 0) {
        *this = std::move(later);
        return;
    }
    minX = std::min(minX, later.minX);
    maxX = std::max(maxX, later.maxX);
    minY = std::min(minY, later.minY);
    maxY = std::max(maxY, later.maxY);
    distinctX.merge(later.distinctX);
    distinctY.merge(later.distinctY);
    for (auto& block : later.blocks)
        if (!block.empty()) blocks.push_back(std::move(block));
}

}  // namespace kestrune
