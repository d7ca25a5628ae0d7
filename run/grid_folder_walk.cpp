#include "run/grid_folder_walk.hpp"

#include "gis/workspace/raster_workspace.hpp"
#include "run/create_contours.hpp"
#include "run/create_slopes.hpp"
#include "run/folder_step.hpp"
#include "run/items_in_order.hpp"
#include "run/output_record.hpp"
#include "run/raster_framing.hpp"

#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/number_text.hpp"
#include "common/replacement.hpp"
#include "gis/esri_grid/grid_name.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

namespace kestrune {
namespace {

double contourNumber(const std::string& text, const char* what) {
    auto value = parseNumber(text);
    if (!value) throw std::runtime_error(std::string("the contour ") + what + " \"" + text + "\" is not a number");
    return *value;
}

// The contour levels of the settings, or why they are no numbers.
struct ContourNumbers {
    ContourOptions options;
    std::exception_ptr failure;
};

ContourNumbers contourNumbers(const RunSettings& settings) {
    ContourNumbers numbers;
    try {
        numbers.options.levels.interval = contourNumber(settings.contourInterval, "interval");
        numbers.options.levels.base = contourNumber(settings.contourStart, "start value");
    } catch (const std::runtime_error&) {  // passed on when the first GRID gets to its contours
        numbers.failure = std::current_exception();
    }
    return numbers;
}

// What one GRID's turn puts in place: its slope or its contours, or with
// --update nothing, when they are there as they would be made again.
struct GridOutputs {
    SlopeWork slope;
    ContourWork contours;
    bool upToDate = false;
    std::string madeFrom;  // for the record kept beside them
};

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The settings that shape a dataset's slope or contours.
std::string outputSettings(const RunSettings& settings, const ContourOptions& contours, bool slope) {
    const std::string seamless = settings.seamless ? ", seamless" : ", alone";
    if (slope) return "slope, z-factor " + numberText(settings.zFactor) + seamless;
    return std::string("contours, start ") + numberText(contours.levels.base) + ", interval " +
           numberText(contours.levels.interval) +
           (settings.contourFormat == ContourFormat::GeoPackage ? ", GeoPackage" : ", shapefile") + seamless;
}

// What a dataset's slope or contours are made from: its files, and those
// of the tiles beside it that its frame reads.
std::string madeFrom(const RasterDataset& dataset, const RasterFraming& framing, const std::string& settings) {
    std::vector<std::string> inputs = filesOf(dataset);
    for (const RasterDataset& beside : framing.tilesBeside(dataset))
        for (const std::string& file : filesOf(beside)) inputs.push_back(file);
    return madeFromText(settings, inputs);
}

// The record beside a dataset's slope GRID or contour files.
OutputRecord recordOf(const RasterDataset& dataset, const RunSettings& settings, bool slope) {
    if (slope) {
        const std::string grid = joinPath(settings.slopeFolder, gridFolderName(dataset.baseName()));
        return OutputRecord({grid, joinPath(grid, "w001001.adf")});
    }
    const std::string base = joinPath(settings.contourFolder, dataset.baseName());
    if (settings.contourFormat == ContourFormat::GeoPackage) return OutputRecord({base + ".gpkg"});
    return OutputRecord({base + ".shp", base + ".shx", base + ".dbf"});
}

// The datasets this run visits: all of them, or its shard's share, which is
// what its conversion made when it made GRIDs.
std::vector<RasterDataset> gridsOfThisRun(const RunContext& run, const RasterWorkspace& workspace) {
    std::vector<RasterDataset> grids = workspace.rasterDatasets();
    if (run.settings.shardCount <= 1) return grids;
    std::vector<std::string> names;
    for (const RasterDataset& grid : grids) names.push_back(grid.name());
    const std::vector<std::string> share = run.madeInThisShard ? *run.madeInThisShard : shareOf(names, run.settings);
    std::vector<RasterDataset> chosen;
    for (const RasterDataset& grid : grids)
        if (std::find(share.begin(), share.end(), grid.name()) != share.end()) chosen.push_back(grid);
    return chosen;
}

// The memory a dataset's slope and contours take at most: its cells, once
// read and once as slopes, bounded by the size of its value file.
std::uint64_t gridMemoryNeed(const RasterDataset& grid) {
    const std::string values =
        grid.kind() == RasterDataset::Kind::Grid ? joinPath(grid.path(), "w001001.adf") : grid.path();
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(values, error);
    return error ? std::uint64_t{0} : static_cast<std::uint64_t>(bytes) * 2;
}

// Why the outputs of dataset i may not be made: an earlier dataset of the
// walk has its base name ("dem" and "dem.tif"), so they would replace its
// outputs. Empty for the first of a name.
std::vector<std::string> nameClashes(const std::vector<RasterDataset>& grids) {
    std::vector<std::string> clashes(grids.size());
    std::map<std::string, std::string> firstOfName;  // base name in lower case -> dataset path
    for (std::size_t i = 0; i < grids.size(); ++i) {
        std::string key = grids[i].baseName();
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto [first, fresh] = firstOfName.emplace(key, grids[i].path());
        if (!fresh)
            clashes[i] = "its outputs, named " + grids[i].baseName() + ", are already made from " + first->second;
    }
    return clashes;
}

// A dataset whose outputs would replace an earlier one's: its slope is
// refused as a slope failure, its contours as a contour failure.
GridOutputs clashingOutputs(const RasterDataset& dataset, const std::string& clash) {
    const auto failure = std::make_exception_ptr(std::runtime_error(dataset.path() + ": " + clash));
    GridOutputs outputs;
    outputs.slope.reported = failure;
    outputs.contours.failure = failure;
    return outputs;
}

}  // namespace

void GetRasterLayersFromFolder(RunContext& run) {
    const RunSettings& settings = run.settings;
    const RasterWorkspace workspace = RasterWorkspace::open(settings.gridFolder);
    clearWorkspaceLeftovers(settings.gridFolder);
    if (settings.slopeOutput && FldExist(settings.slopeFolder)) clearWorkspaceLeftovers(settings.slopeFolder);
    if (settings.contourOutput && FldExist(settings.contourFolder)) clearLeftovers(settings.contourFolder);
    const std::vector<RasterDataset> grids = gridsOfThisRun(run, workspace);
    const std::vector<std::string> clashes = nameClashes(grids);
    const ContourNumbers numbers = contourNumbers(settings);
    const RasterFraming framing =
        settings.seamless ? RasterFraming::seamless(workspace.rasterDatasets()) : RasterFraming();

    // A GRID's slope and its contours are items of their own, worked on
    // several at once; outputs go in place, and failures are told, in order
    // of name, the slope of a GRID before its contours.
    struct Item {
        std::size_t grid;
        bool slope;
    };
    std::vector<Item> items;
    for (std::size_t i = 0; i < grids.size(); ++i) {
        if (settings.slopeOutput) items.push_back({i, true});
        if (settings.contourOutput) items.push_back({i, false});
    }
    auto statusText = [&](std::size_t item) {
        return std::string(items[item].slope ? "Running : ESRI GRID--> Get Slope "
                                             : "Running : ESRI GRID--> Get Contour ") +
               grids[items[item].grid].path();
    };
    auto prepare = [&](std::size_t item) {
        const std::size_t i = items[item].grid;
        const bool slope = items[item].slope;
        if (!clashes[i].empty()) return clashingOutputs(grids[i], clashes[i]);
        if (!slope && numbers.failure) return GridOutputs{};
        std::string recipe = madeFrom(grids[i], framing, outputSettings(settings, numbers.options, slope));
        if (settings.update && recordOf(grids[i], settings, slope).matches(recipe))
            return GridOutputs{{}, {}, true, std::move(recipe)};
        if (slope)
            return GridOutputs{
                prepareSlope(grids[i], settings.slopeFolder, framing, settings.zFactor), {}, false, std::move(recipe)};
        return GridOutputs{
            {},
            prepareContours(grids[i], settings.contourFolder, numbers.options, framing, settings.contourFormat),
            false,
            std::move(recipe)};
    };
    bool cutShort = false;
    std::set<std::string> noted;  // each said once, though a GRID's slope and contours both find it
    auto note = [&](const std::string& text) {
        if (!text.empty() && noted.insert(text).second) run.showMessage(text, "Seamless tiles");
    };
    auto putInPlace = [&](std::size_t item, GridOutputs&& outputs) {
        const RasterDataset& grid = grids[items[item].grid];
        for (const std::string& text : framing.notesOn(grid)) note(text);
        note(outputs.slope.note);
        note(outputs.contours.note);
        if (isStop(outputs.slope.reported) || isStop(outputs.slope.passesOn) || isStop(outputs.contours.failure)) {
            cutShort = true;
            ++run.tally.notBegun;
            return;
        }
        if (outputs.upToDate) {
            run.setStatusLine(upToDateText(statusText(item)));
            ++run.tally.upToDate;
            return;
        }
        const OutputRecord record = recordOf(grid, settings, items[item].slope);
        if (items[item].slope) {
            record.forget();
            const bool made = CreateSlopes(run, std::move(outputs.slope));
            if (made) record.keep(outputs.madeFrom);
            ++(made ? run.tally.done : run.tally.failed);
            return;
        }
        try {  // a contour failure ends the walk
            if (numbers.failure) std::rethrow_exception(numbers.failure);
            record.forget();
            CreateContours(run, grid, settings.contourFolder, std::move(outputs.contours));
            record.keep(outputs.madeFrom);
            ++run.tally.done;
        } catch (const std::exception&) {
            ++run.tally.failed;
            throw;
        }
    };
    PipelineControl control = filesAtOnce(run);
    control.memoryCost = [&](std::size_t item) { return gridMemoryNeed(grids[items[item].grid]); };
    const std::size_t told = runItemsInOrder(run, items.size(), control, statusText, prepare, putInPlace);
    run.tally.notBegun += items.size() - told;
    // RunOk stays as the walk leaves it: a slope failure reported on the way
    // still ends the run as stopped; so does a stop request.
    if (cutShort || told < items.size()) run.RunOk = false;
}

}  // namespace kestrune
