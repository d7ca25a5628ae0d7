#include "cli/batch_options.hpp"

#include <functional>
#include <map>

namespace kestrune {
namespace {

using Setter = std::function<std::string(RunSettings&, const std::string&)>;

std::string setInputKind(RunSettings& s, const std::string& value) {
    static const std::map<std::string, InputKind> kinds = {
        {"xyz", InputKind::XyzFiles}, {"ascii", InputKind::AsciiRasterFiles}, {"grid", InputKind::EsriGrids}};
    auto kind = kinds.find(value);
    if (kind == kinds.end()) return "--input takes xyz, ascii or grid, not \"" + value + "\"";
    s.inputKind = kind->second;
    return {};
}

std::string setSeparator(RunSettings& s, const std::string& value) {
    static const std::map<std::string, std::string> separators = {
        {"space", " "}, {"tab", "\t"}, {",", ","}, {";", ";"}};
    auto separator = separators.find(value);
    if (separator == separators.end()) return "--separator takes space, tab, , or ;, not \"" + value + "\"";
    s.Separator = separator->second;
    return {};
}

Setter text(std::string RunSettings::*field) {
    return [field](RunSettings& s, const std::string& value) {
        s.*field = value;
        return std::string();
    };
}

// Giving an output folder turns that output on.
Setter outputFolder(std::string RunSettings::*field, bool RunSettings::*on) {
    return [field, on](RunSettings& s, const std::string& value) {
        s.*field = value;
        s.*on = true;
        return std::string();
    };
}

const std::map<std::string, Setter>& setters() {
    static const std::map<std::string, Setter> table = {
        {"--input", setInputKind},
        {"--xyz-folder", text(&RunSettings::xyzFolder)},
        {"--ascii-folder", text(&RunSettings::asciiFolder)},
        {"--grid-folder", text(&RunSettings::gridFolder)},
        {"--cell-size",
         [](RunSettings& s, const std::string& value) {
             s.cellSize = value;
             s.cellSizeMode = CellSizeMode::Given;
             return std::string();
         }},
        {"--separator", setSeparator},
        {"--contour-folder", outputFolder(&RunSettings::contourFolder, &RunSettings::contourOutput)},
        {"--contour-start", text(&RunSettings::contourStart)},
        {"--contour-interval", text(&RunSettings::contourInterval)},
        {"--slope-folder", outputFolder(&RunSettings::slopeFolder, &RunSettings::slopeOutput)},
    };
    return table;
}

}  // namespace

BatchOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.helpWanted = true;
            return options;
        }
        if (name == "--version") {
            options.versionWanted = true;
            return options;
        }
        std::string value;
        bool inlineValue = false;
        if (auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            inlineValue = true;
        }
        auto setter = setters().find(name);
        if (setter == setters().end()) {
            options.usageError = "unknown option \"" + name + "\"";
            return options;
        }
        if (!inlineValue) {
            if (i + 1 == arguments.size()) {
                options.usageError = name + " needs a value";
                return options;
            }
            value = arguments[++i];
        }
        options.usageError = setter->second(options.settings, value);
        if (!options.usageError.empty()) return options;
    }
    return options;
}

std::string batchHelpText() {
    return R"(Usage: kestrune-batch [options]

Runs one Kestrune batch without a window, as "Go" does in the window: grids
XYZ point files into ESRI ASCII rasters, converts ASCII rasters into ESRI
GRIDs, and makes slope GRIDs and contour shapefiles from every GRID.
Every folder must exist; nothing creates them.

  --input xyz|ascii|grid   what the run starts from (default grid):
                           xyz   XYZ files -> .asc -> GRIDs
                           ascii .asc files -> GRIDs
                           grid  the GRIDs already in --grid-folder
  --xyz-folder DIR         folder of XYZ point files (input xyz)
  --ascii-folder DIR       folder of ESRI ASCII rasters (written with input xyz,
                           read with input xyz and ascii)
  --grid-folder DIR        folder of ESRI GRIDs (always needed)
  --cell-size TEXT         cell size of the grids made from XYZ files; without
                           it the cell size is inferred from the X spacing
  --separator space|tab|,|;
                           column separator of the XYZ files (default space)
  --slope-folder DIR       make a slope GRID (degrees) of every GRID here
  --contour-folder DIR     make a contour shapefile of every GRID here
  --contour-start TEXT     a level that contours pass through (default 0)
  --contour-interval TEXT  distance between contour levels (default 5)
  --version                show the version
  --help                   show this text

Messages and progress go to standard error, one line each.
Exit status: 0 all files were finished, 1 the run stopped with errors,
2 the options were wrong (nothing was run).
)";
}

}  // namespace kestrune
