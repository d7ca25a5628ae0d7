#include "run_sequence.hpp"

#include "xyz/xyz_folder_conversion.hpp"

#include <stdexcept>

namespace kestrune {

RunSteps standardRunSteps() {
    RunSteps steps;
    steps.XYZ2ASCII = XYZ2ASCII;
    steps.ASCII2GRID = [](RunContext&) {
        throw std::runtime_error("the ASCII to GRID conversion is not available in this build");
    };
    steps.GetRasterLayersFromFolder = [](RunContext&) {
        throw std::runtime_error("slope and contour output are not available in this build");
    };
    return steps;
}

}  // namespace kestrune
