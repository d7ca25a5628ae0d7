#include "gis/float_raster.hpp"

#include "common/number_text.hpp"

#include <cmath>

namespace kestrune {

std::string extentProblem(const RasterGeometry& raster) {
    if (!std::isfinite(raster.xllcorner) || !std::isfinite(raster.yllcorner))
        return "the lower-left corner (" + formatDouble(raster.xllcorner) + ", " + formatDouble(raster.yllcorner) +
               ") is not a finite number";
    if (!std::isfinite(raster.cellsize) || !(raster.cellsize > 0))
        return "the cell size " + formatDouble(raster.cellsize) + " is not a positive number";
    if (!std::isfinite(raster.xurcorner()) || !std::isfinite(raster.yurcorner()))
        return "the extent of " + std::to_string(raster.ncols) + " x " + std::to_string(raster.nrows) + " cells of " +
               formatDouble(raster.cellsize) + " from (" + formatDouble(raster.xllcorner) + ", " +
               formatDouble(raster.yllcorner) + ") passes the largest number";
    return {};
}

}  // namespace kestrune
