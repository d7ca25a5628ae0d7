#include "run/xyz_grid_engine.hpp"

#include "common/failure_description.hpp"
#include "xyz/xyz_gridding.hpp"
#include "xyz/xyz_point_reader.hpp"

namespace kestrune {
namespace {

GriddingOptions griddingOptions(const RunSettings& settings) {
    GriddingOptions options;
    options.separator = settings.Separator;
    if (settings.cellSizeMode == CellSizeMode::Given) options.cellSize.givenText = settings.cellSize;
    return options;
}

}  // namespace

void reportXyzFailure(RunContext& run, const std::string& xyzPath, const std::string& description) {
    run.showMessage(xyzPath + " Error-" + description, "Program was interrupted");
    run.RunOk = false;
    run.setStatusLine("");
}

bool XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::string& ascPath) {
    try {
        gridXyzFile(xyzPath, ascPath, griddingOptions(run.settings));
        return true;
    } catch (const XyzFormatError&) {
        run.showMessage(xyzPath + " does not fit the format you setting!", "Please Check xyz file");
        run.RunOk = false;
        run.setStatusLine("");
    } catch (const std::exception& failure) {
        reportXyzFailure(run, xyzPath, describeFailure(failure));
    }
    return false;
}

}  // namespace kestrune
