#include "run_sequence.hpp"

#include "gis/ascii_to_grid_conversion.hpp"
#include "gis/grid_folder_walk.hpp"
#include "xyz/xyz_folder_conversion.hpp"

namespace kestrune {

RunSteps standardRunSteps() {
    RunSteps steps;
    steps.XYZ2ASCII = XYZ2ASCII;
    steps.ASCII2GRID = ASCII2GRID;
    steps.GetRasterLayersFromFolder = GetRasterLayersFromFolder;
    return steps;
}

}  // namespace kestrune
