#include "run/run_sequence.hpp"

#include "run/ascii_to_grid_conversion.hpp"
#include "run/grid_folder_walk.hpp"
#include "run/xyz_folder_conversion.hpp"

namespace kestrune {

RunSteps standardRunSteps() {
    RunSteps steps;
    steps.XYZ2ASCII = XYZ2ASCII;
    steps.ASCII2GRID = ASCII2GRID;
    steps.GetRasterLayersFromFolder = GetRasterLayersFromFolder;
    return steps;
}

}  // namespace kestrune
