#pragma once

#include "gis/raster/float_raster.hpp"
#include "run/run_context.hpp"
#include "run/user_interface.hpp"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestrune::test {

// A fresh folder for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A sub-folder, created.
    std::string folder(const std::string& name) const;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
// The names in a folder, hidden ones included, in byte order; but the
// folder's lock file, which stays once a run has written there (see FolderLock).
inline constexpr const char* kFolderLockName = ".kestrune~lock";
// True for the bookkeeping a run leaves in a folder: the folder lock and the
// hidden records of how each output was made (".dem.asc.kestrune-made").
bool isRunBookkeeping(const std::string& fileName);
std::vector<std::string> folderNames(const std::string& folder);

// Records what the run logic shows, in order.
class RecordingUi : public UserInterface {
public:
    struct Message {
        std::string prompt;
        std::string title;
    };
    void showMessage(const std::string& prompt, const std::string& title) override {
        messages.push_back({prompt, title});
        events.push_back("message: " + title + ": " + prompt);
    }
    void setStatusLine(const std::string& text) override {
        statusTexts.push_back(text);
        events.push_back("status: " + text);
    }
    // Progress, by the status text it belongs to (kept out of `events`).
    void setProgress(double fraction) override { progress.push_back({statusTexts.back(), fraction}); }
    std::vector<Message> messages;
    std::vector<std::string> statusTexts;
    std::vector<std::string> events;
    std::vector<std::pair<std::string, double>> progress;
};

// One run step on folders of its own: the settings name fresh folders xyz,
// ascii, grid, slope and contour; the recorder keeps what the user saw.
class StepRun {
public:
    explicit StepRun(InputKind inputKind = InputKind::EsriGrids);

    TempDir dir;
    RunSettings settings;
    RecordingUi ui;
    // What the steps share, as a step finds it: RunOk set, the status line empty.
    RunContext context{settings, ui};

    std::string xyz(const std::string& name) const { return settings.xyzFolder + "/" + name; }
    std::string ascii(const std::string& name) const { return settings.asciiFolder + "/" + name; }
    std::string grid(const std::string& name) const { return settings.gridFolder + "/" + name; }
    std::string slope(const std::string& name) const { return settings.slopeFolder + "/" + name; }
    std::string contour(const std::string& name) const { return settings.contourFolder + "/" + name; }

    // Runs `step` with RunOk set, as the run sequence calls it; returns RunOk
    // as the step leaves it.
    bool run(const std::function<void(RunContext&)>& step);
};

// The number of a process that has ended (for leftovers of killed runs).
long endedProcess();

// The hidden name a run of process `process` on this machine gives an
// output for `target` (see temporaryPathBeside), with `tail` (".old",
// ".old.shp") after its counter.
std::string hiddenName(const std::string& target, long process, int counter, const std::string& tail = "");

// True when `program` is on the PATH.
bool programOnPath(const std::string& program);

// Which GDAL the expectations of a test against GDAL's programs or its
// contour generator come from (3.6.2, Debian 12's), and which one runs.
std::string gdalOracleNote();

// A rough surface of 10 m cells with a NoData hole: many lines, many of them
// long, whatever the contour interval (about 450 to 590 m).
FloatRaster roughSurface(std::int64_t ncols, std::int64_t nrows);

// A whole GRID, as our reader (or GDAL's, for kinds ours does not take) gives it.
FloatRaster readGrid(const std::string& gridFolder);

// A raster as GDAL reads it: the independent oracle for what we write.
struct GdalRaster {
    std::string driver;
    int width = 0;
    int height = 0;
    double geoTransform[6] = {};
    bool hasNoData = false;
    double noData = 0;
    std::vector<double> values;  // row after row, from the top
    std::string projectionWkt;
};
GdalRaster readWithGdal(const std::string& path);

// The features of the first layer of a vector file, as OGR counts them;
// throws when OGR cannot open it.
long long featureCountWithGdal(const std::string& path);

// A coordinate system (WKT, "EPSG:n" ...) in ESRI's WKT, as ArcGIS writes
// .prj files.
std::string esriWktOf(const std::string& definition);

// The UTM zone of a coordinate system in WKT: positive north, negative
// south, 0 for none.
int utmZone(const std::string& wkt);

}  // namespace kestrune::test

// Skips the test, saying why, when a program it compares with is missing.
#define KESTRUNE_REQUIRE_PROGRAM(program)          \
    if (!::kestrune::test::programOnPath(program)) \
    GTEST_SKIP() << program << " is not installed: this test compares our output with its own"
