// A missing, broken or mismatched GDAL module is a failure of the file that
// needed it, told in words, never a crash, and leaves nothing behind.
#include "tests/cli/batch_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

// Hidden names left in a folder: what a crash leaves (a GRID being made).
std::vector<std::string> hiddenNames(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const std::string& name : test::folderNames(folder))
        if (name.front() == '.') hidden.push_back(name);
    return hidden;
}

struct BrokenModule {
    std::string name;
    std::string path;
    std::string reason;  // what the message says after the path
};

std::vector<BrokenModule> brokenModules(const test::TempDir& dir) {
    // The real module cut in half.
    const std::string truncated = dir.file("truncated.so");
    fs::copy_file(KESTRUNE_GDAL_MODULE_FILE, truncated);
    fs::resize_file(truncated, fs::file_size(truncated) / 2);
    const std::string text = dir.file("text.so");
    test::writeFile(text, "not a module\n");
    return {
        {"cut in half", truncated, "it is cut short: it needs "},
        {"no ELF file", text, "it is not an ELF shared object"},
        {"entry point giving no services", KESTRUNE_NULL_ENTRY_MODULE, "its kestruneGdalServices gave no services"},
        {"another interface version", KESTRUNE_OTHER_VERSION_MODULE, "it serves version "},
    };
}

TEST(GdalModule, ABrokenModuleFailsTheRasterThatNeedsIt) {
    test::TempDir dir;
    const std::string grid = dir.folder("grid"), contours = dir.folder("contours");
    test::writeFile(grid + "/other.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n3 4\n");
    for (const BrokenModule& module : brokenModules(dir)) {
        SCOPED_TRACE(module.name);
        test::BatchResult result = test::runBatch({"--grid-folder", grid, "--contour-folder", contours}, dir,
                                                  "KESTRUNE_GDAL_MODULE=" + test::shellQuoted(module.path));
        EXPECT_EQ(result.exitStatus, 1) << result.errorOutput;
        EXPECT_NE(
            result.errorOutput.find("cannot tell whether " + grid + "/other.asc is a raster: cannot load GDAL from " +
                                    module.path + ": " + module.reason),
            std::string::npos)
            << result.errorOutput;
        EXPECT_NE(result.errorOutput.find("Program is Stopped"), std::string::npos);
        EXPECT_EQ(test::folderNames(contours), std::vector<std::string>{});
    }
}

// A GRID with a projection needs GDAL for its prj.adf: without a working
// module its conversion fails, and the GRID being made goes.
TEST(GdalModule, AGridThatNeedsGdalLeavesNothingWhenItCannotLoad) {
    test::TempDir dir;
    const std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    test::writeFile(ascii + "/dem.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n3 4\n");
    test::writeFile(ascii + "/dem.prj",
                    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,"
                    "298.257223563]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.0174532925199433]]");
    for (const BrokenModule& module : brokenModules(dir)) {
        SCOPED_TRACE(module.name);
        test::BatchResult result = test::runBatch({"--input", "ascii", "--ascii-folder", ascii, "--grid-folder", grid},
                                                  dir, "KESTRUNE_GDAL_MODULE=" + test::shellQuoted(module.path));
        EXPECT_EQ(result.exitStatus, 1) << result.errorOutput;
        EXPECT_NE(result.errorOutput.find(ascii + "/dem.asc Error-cannot load GDAL from " + module.path + ": " +
                                          module.reason),
                  std::string::npos)
            << result.errorOutput;
        EXPECT_EQ(hiddenNames(grid), std::vector<std::string>{});
        EXPECT_FALSE(test::exists(grid + "/dem"));
    }
}

}  // namespace
}  // namespace kestrune
