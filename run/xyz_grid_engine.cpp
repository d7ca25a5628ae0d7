#include "run/xyz_grid_engine.hpp"

#include "common/failure_description.hpp"
#include "xyz/xyz_point_reader.hpp"

namespace kestrune {

GriddingOptions griddingOptions(const RunSettings& settings) {
    GriddingOptions options;
    options.separator = settings.Separator;
    if (settings.cellSizeMode == CellSizeMode::Given) options.cellSize.givenText = settings.cellSize;
    return options;
}

void XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::exception& failure) {
    if (dynamic_cast<const XyzFormatError*>(&failure))
        run.showMessage(xyzPath + " does not fit the format you setting!", "Please Check xyz file");
    else
        run.showMessage(xyzPath + " Error-" + describeFailure(failure), "Program was interrupted");
    run.RunOk = false;
    run.setStatusLine("");
}

}  // namespace kestrune
