#include "gis/contour/joined_line.hpp"

namespace kestrune {

void JoinedLine::releaseScratch() {
    for (const Part& part : parts_)
        if (part.spilled) scratch_->release(part.offset, part.spilled * sizeof(PixelPoint));
    parts_.clear();
}

}  // namespace kestrune
