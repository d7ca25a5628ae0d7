#include "run_sequence.hpp"

#include "gis/ascii_to_grid_conversion.hpp"
#include "xyz/xyz_folder_conversion.hpp"

#include <stdexcept>

namespace kestrune {

RunSteps standardRunSteps() {
    RunSteps steps;
    steps.XYZ2ASCII = XYZ2ASCII;
    steps.ASCII2GRID = ASCII2GRID;
    steps.GetRasterLayersFromFolder = [](RunContext&) {
        throw std::runtime_error("slope and contour output are not available in this build");
    };
    return steps;
}

}  // namespace kestrune
