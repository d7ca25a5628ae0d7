#include "run/check_cond.hpp"

#include "common/folder_listing.hpp"
#include "common/number_text.hpp"

#include <functional>

namespace kestrune {
namespace {

const char* const kReselectFolder = "Please Re-Select Folder";
const char* const kReinputData = "Please Re-Input data";

struct Check {
    std::function<bool(const RunSettings&)> runsWhen;
    std::function<bool(const RunSettings&)> failsWhen;
    const char* prompt;
    const char* title;
};

bool xyzInput(const RunSettings& s) { return s.inputKind == InputKind::XyzFiles; }
bool rasterInput(const RunSettings& s) { return s.inputKind != InputKind::EsriGrids; }

const Check kChecks[] = {
    {xyzInput, [](const RunSettings& s) { return !FldExist(s.xyzFolder); }, "The folder of XYZ files does not exist.",
     kReselectFolder},
    {[](const RunSettings& s) { return xyzInput(s) && s.cellSizeMode == CellSizeMode::Given; },
     [](const RunSettings& s) { return !isNumeric(s.cellSize); }, "Pixcel Size is not a number", kReinputData},
    {rasterInput, [](const RunSettings& s) { return !FldExist(s.asciiFolder); },
     "The folder of ASCII files does not exist.", kReselectFolder},
    {[](const RunSettings&) { return true; }, [](const RunSettings& s) { return !FldExist(s.gridFolder); },
     "The folder of Grid does not exist.", kReselectFolder},
    {[](const RunSettings& s) { return s.contourOutput; },
     [](const RunSettings& s) { return !FldExist(s.contourFolder); }, "The folder of Contour files does not exist.",
     kReselectFolder},
    {[](const RunSettings& s) { return s.contourOutput; },
     [](const RunSettings& s) { return !isNumeric(s.contourStart); }, "The start value of Contour is not a number.",
     kReinputData},
    {[](const RunSettings& s) { return s.contourOutput; },
     [](const RunSettings& s) { return !isNumeric(s.contourInterval); },
     "The interval of Contour lines is not a number", kReinputData},
    {[](const RunSettings& s) { return s.slopeOutput; }, [](const RunSettings& s) { return !FldExist(s.slopeFolder); },
     "The folder of slope GRIDS does not exist.", kReselectFolder},
};

}  // namespace

void CheckCond(RunContext& run) {
    for (const Check& check : kChecks) {
        if (check.runsWhen(run.settings) && check.failsWhen(run.settings)) {
            run.showMessage(check.prompt, check.title);
            return;
        }
    }
    run.RunOk = true;
}

}  // namespace kestrune
