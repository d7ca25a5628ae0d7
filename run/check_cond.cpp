#include "run/check_cond.hpp"

#include "common/folder_listing.hpp"
#include "common/number_text.hpp"

#include <string>

namespace kestrune {
namespace {

const char* const kReselectFolder = "Please Re-Select Folder";
const char* const kReinputData = "Please Re-Input data";

// A setting that must be an existing folder or a number, when it applies.
enum class Expects { ExistingFolder, Number };
struct Check {
    bool (*appliesTo)(const RunSettings&);
    std::string RunSettings::*text;
    Expects expects;
    const char* prompt;
    const char* title;
};

bool always(const RunSettings&) { return true; }
bool xyzInput(const RunSettings& s) { return s.inputKind == InputKind::XyzFiles; }
bool givenCellSize(const RunSettings& s) { return xyzInput(s) && s.cellSizeMode == CellSizeMode::Given; }
bool rasterInput(const RunSettings& s) { return s.inputKind != InputKind::EsriGrids; }
bool contours(const RunSettings& s) { return s.contourOutput; }
bool slopes(const RunSettings& s) { return s.slopeOutput; }

const Check kChecks[] = {
    {xyzInput, &RunSettings::xyzFolder, Expects::ExistingFolder, "The folder of XYZ files does not exist.",
     kReselectFolder},
    {givenCellSize, &RunSettings::cellSize, Expects::Number, "Pixcel Size is not a number", kReinputData},
    {rasterInput, &RunSettings::asciiFolder, Expects::ExistingFolder, "The folder of ASCII files does not exist.",
     kReselectFolder},
    {always, &RunSettings::gridFolder, Expects::ExistingFolder, "The folder of Grid does not exist.", kReselectFolder},
    {contours, &RunSettings::contourFolder, Expects::ExistingFolder, "The folder of Contour files does not exist.",
     kReselectFolder},
    {contours, &RunSettings::contourStart, Expects::Number, "The start value of Contour is not a number.",
     kReinputData},
    {contours, &RunSettings::contourInterval, Expects::Number, "The interval of Contour lines is not a number",
     kReinputData},
    {slopes, &RunSettings::slopeFolder, Expects::ExistingFolder, "The folder of slope GRIDS does not exist.",
     kReselectFolder},
};

bool fails(const Check& check, const RunSettings& settings) {
    const std::string& text = settings.*check.text;
    return check.expects == Expects::ExistingFolder ? !FldExist(text) : !isNumeric(text);
}

}  // namespace

void CheckCond(RunContext& run) {
    for (const Check& check : kChecks) {
        if (check.appliesTo(run.settings) && fails(check, run.settings)) {
            run.ui.showRefusal(check.prompt, check.title, run.settings.*check.text);
            return;
        }
    }
    run.RunOk = true;
}

}  // namespace kestrune
