#include "cli/batch_options.hpp"

#include "common/number_text.hpp"
#include "common/worker_pool.hpp"

#include <cmath>

#include <functional>
#include <map>

namespace kestrune {
namespace {

// Sets what one option gives; returns a usage error, or empty.
using Setter = std::function<std::string(BatchOptions&, const std::string&)>;

std::string setInputKind(BatchOptions& o, const std::string& value) {
    static const std::map<std::string, InputKind> kinds = {
        {"xyz", InputKind::XyzFiles}, {"ascii", InputKind::AsciiRasterFiles}, {"grid", InputKind::EsriGrids}};
    auto kind = kinds.find(value);
    if (kind == kinds.end()) return "--input takes xyz, ascii or grid, not \"" + value + "\"";
    o.settings.inputKind = kind->second;
    return {};
}

std::string setSeparator(BatchOptions& o, const std::string& value) {
    static const std::map<std::string, std::string> separators = {
        {"space", " "}, {"tab", "\t"}, {",", ","}, {";", ";"}};
    auto separator = separators.find(value);
    if (separator == separators.end()) return "--separator takes space, tab, , or ;, not \"" + value + "\"";
    o.settings.Separator = separator->second;
    return {};
}

std::string setThreads(BatchOptions& o, const std::string& value) {
    auto threads = parseThreadCount(value);
    if (!threads) return "--threads takes a whole number from 1 to 1024, not \"" + value + "\"";
    o.threads = *threads;
    return {};
}

std::string setContourFormat(BatchOptions& o, const std::string& value) {
    static const std::map<std::string, ContourFormat> formats = {{"shp", ContourFormat::Shapefile},
                                                                 {"gpkg", ContourFormat::GeoPackage}};
    auto format = formats.find(value);
    if (format == formats.end()) return "--contour-format takes shp or gpkg, not \"" + value + "\"";
    o.settings.contourFormat = format->second;
    return {};
}

std::string setZFactor(BatchOptions& o, const std::string& value) {
    const auto factor = parseNumber(value);
    if (!factor || !(*factor > 0) || !std::isfinite(*factor))
        return "--z-factor takes a positive number (ground units in one unit of height), not \"" + value + "\"";
    o.settings.zFactor = *factor;
    return {};
}

// "K/N" with whole numbers, N at least 1; K is taken modulo N, so the task
// numbers of a job array may start at 0 or 1.
std::string setShard(BatchOptions& o, const std::string& value) {
    const std::string usage = "--shard takes K/N, two whole numbers with N at least 1, not \"" + value + "\"";
    const auto slash = value.find('/');
    if (slash == std::string::npos) return usage;
    const std::string k = value.substr(0, slash), n = value.substr(slash + 1);
    for (const std::string& part : {k, n})
        if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string::npos) return usage;
    const int count = std::stoi(n);
    if (count < 1) return usage;
    o.settings.shardCount = count;
    o.settings.shardIndex = std::stoi(k) % count;
    return {};
}

// A shard that makes its own GRIDs would look for neighbours that other
// shards may not have made yet: the GRIDs come first, in a run of their own.
std::string seamlessShardProblem(const RunSettings& settings) {
    if (!settings.seamless || settings.shardCount <= 1 || settings.inputKind == InputKind::EsriGrids) return {};
    return "--seamless with --shard needs --input grid: a tile's neighbours must all be GRIDs before its turn.\n"
           "Run it in two steps, the second once every shard of the first has finished:\n"
           "  1. kestrune-batch --input " +
           std::string(settings.inputKind == InputKind::XyzFiles ? "xyz --xyz-folder DIR" : "ascii") +
           " --ascii-folder DIR --grid-folder DIR --shard K/N\n"
           "  2. kestrune-batch --input grid --grid-folder DIR --seamless --shard K/N --slope-folder DIR "
           "--contour-folder DIR\n"
           "(with Slurm: the second job array with --dependency=afterok on the first; see README)";
}

Setter text(std::string RunSettings::*field) {
    return [field](BatchOptions& o, const std::string& value) {
        o.settings.*field = value;
        return std::string();
    };
}

// Giving an output folder turns that output on.
Setter outputFolder(std::string RunSettings::*field, bool RunSettings::*on) {
    return [field, on](BatchOptions& o, const std::string& value) {
        o.settings.*field = value;
        o.settings.*on = true;
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
         [](BatchOptions& o, const std::string& value) {
             o.settings.cellSize = value;
             o.settings.cellSizeMode = CellSizeMode::Given;
             return std::string();
         }},
        {"--separator", setSeparator},
        {"--contour-folder", outputFolder(&RunSettings::contourFolder, &RunSettings::contourOutput)},
        {"--contour-start", text(&RunSettings::contourStart)},
        {"--contour-interval", text(&RunSettings::contourInterval)},
        {"--contour-format", setContourFormat},
        {"--slope-folder", outputFolder(&RunSettings::slopeFolder, &RunSettings::slopeOutput)},
        {"--threads", setThreads},
        {"--shard", setShard},
        {"--z-factor", setZFactor},
        {"--log",
         [](BatchOptions& o, const std::string& value) {
             o.logPath = value;
             return std::string();
         }},
    };
    return table;
}

// Options without a value.
const std::map<std::string, bool BatchOptions::*>& flags() {
    static const std::map<std::string, bool BatchOptions::*> table = {
        {"--help", &BatchOptions::helpWanted},       {"-h", &BatchOptions::helpWanted},
        {"--version", &BatchOptions::versionWanted}, {"--quiet", &BatchOptions::quiet},
        {"--progress", &BatchOptions::progress},     {"--no-sync", &BatchOptions::noSync},
        {"--seamless", &BatchOptions::seamless},     {"--update", &BatchOptions::update}};
    return table;
}

}  // namespace

BatchOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions options;
    if (arguments.empty()) {
        options.usageError = "nothing to do: give at least --grid-folder";
        return options;
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (auto flag = flags().find(name); flag != flags().end()) {
            options.*(flag->second) = true;
            if (options.helpWanted || options.versionWanted) return options;
            continue;
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
        options.usageError = setter->second(options, value);
        if (!options.usageError.empty()) return options;
    }
    options.settings.seamless = options.seamless;
    options.settings.update = options.update;
    options.usageError = seamlessShardProblem(options.settings);
    return options;
}

std::string batchUsage() {
    return R"(Usage: kestrune-batch [--input xyz|ascii|grid] [--xyz-folder DIR] [--ascii-folder DIR]
                      --grid-folder DIR [--slope-folder DIR] [--contour-folder DIR] [options]
Try kestrune-batch --help for every option.
)";
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
  --contour-format shp|gpkg
                           contours as shapefiles (default) or GeoPackages
                           (NAME.gpkg, one table, with a spatial index), which
                           hold contours past a shapefile's 2 GB
  --threads N              threads that work at once (default: every hardware
                           thread, or KESTRUNE_NUM_THREADS when set)
  --shard K/N              do one share of a job cut into N runs: the files
                           whose place in the sorted folder listing (from 0)
                           is K modulo N, and what they make (with grid, the
                           GRIDs); for job arrays and GNU parallel
  --quiet                  print nothing but failures
  --progress               on a pipe, print each file's progress as GDAL
                           does: 0...10...20...30...40...50...60...70...80...90...100 - done.
                           (a terminal always shows the percentage and the time left)
  --log FILE               append every status line and message to FILE, with the time
  --z-factor X             ground units (metres for latitude and longitude) in one
                           unit of height, for slopes, as gdaldem's -s; replaces
                           what the coordinate system says (default: from it)
  --seamless               take the GRID folder's rasters that lie on one lattice
                           as tiles of one surface: slopes and contours join
                           across their borders as the whole surface's would
                           (with --shard, only with --input grid)
  --update                 keep every output that is there as the present input and
                           settings would make it (a job finished after a kill);
                           make the others
  --no-sync                do not wait for outputs to reach the disk before they take
                           their names (faster; after a power cut an output may be empty)
  --version                show the version
  --help                   show this text

Messages and progress go to standard error. Ctrl-C, SIGTERM or SIGHUP stops
the run within a second: the file being worked on is left as it was before,
files already finished keep their outputs. A second signal stops at once.
Exit status: 0 all files were finished, 1 the run stopped with errors or
was stopped, 2 the options or the settings were wrong (nothing was run).
)";
}

}  // namespace kestrune
