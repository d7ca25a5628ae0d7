#include "cli/progress_dots.hpp"

#include <algorithm>

namespace kestrune {

std::string ProgressDots::advanceTo(double fraction) {
    const int target = std::clamp(static_cast<int>(fraction * kTicks), 0, kTicks);
    std::string marks;
    for (; ticks_ < target;) {
        ++ticks_;
        marks += ticks_ % 4 == 0 ? std::to_string(ticks_ / 4 * 10) : ".";
        if (ticks_ == kTicks) marks += " - done.\n";
    }
    return marks;
}

}  // namespace kestrune
