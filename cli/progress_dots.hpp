#pragma once

#include <string>

namespace kestrune {

// Progress as GDAL's command-line programs print it, for a pipe or a log:
// 0...10...20...30...40...50...60...70...80...90...100 - done.
// One mark every 2.5 %, a number every 10 %.
class ProgressDots {
public:
    // The marks from the last ones to `fraction` (0 to 1), and " - done.\n" at 1.
    std::string advanceTo(double fraction);
    bool done() const { return ticks_ == kTicks; }
    bool begun() const { return ticks_ >= 0; }

private:
    static constexpr int kTicks = 40;
    int ticks_ = -1;
};

}  // namespace kestrune
