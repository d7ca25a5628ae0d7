// The fuzz targets on the inputs that once broke them (tests/fuzz/regressions),
// and on seeded mutations of good inputs: none may crash (the ASan run of the
// suite watches memory too).
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "tests/fuzz/fuzz_targets.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

using Target = std::function<void(const std::uint8_t*, std::size_t)>;

void feed(const Target& target, const std::string& bytes) {
    target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Flipped, dropped and repeated bytes of a good input, from a fixed seed.
void feedMutations(const Target& target, const std::string& good, unsigned seed, int count) {
    std::mt19937 random(seed);
    for (int i = 0; i < count; ++i) {
        std::string bytes = good;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 4) {
            case 0: bytes[at] = static_cast<char>(random()); break;
            case 1: bytes.erase(at, 1 + random() % 16); break;
            case 2: bytes.insert(at, bytes.substr(at, 1 + random() % 32)); break;
            default: bytes.resize(at); break;
            }
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ", mutation " + std::to_string(i));
        feed(target, bytes);
    }
}

TEST(FuzzTargets, TheInputsThatOnceBrokeThemNoLonger) {
    const std::pair<const char*, Target> targets[] = {{"xyzReader", fuzz::xyzReader},
                                                      {"asciiReader", fuzz::asciiReader},
                                                      {"gridReader", fuzz::gridReader},
                                                      {"infoTables", fuzz::infoTables}};
    for (const auto& [name, target] : targets) {
        const fs::path folder = fs::path(KESTRUNE_FUZZ_REGRESSIONS_DIR) / name;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().front() == '.') continue;
            SCOPED_TRACE(entry.path().string());
            feed(target, test::readFile(entry.path().string()));
        }
    }
}

TEST(FuzzTargets, MutationsOfGoodInputsAreReportedNotCrashedOn) {
    test::TempDir dir;
    FloatRaster raster;
    raster.ncols = 300;
    raster.nrows = 20;
    raster.cellsize = 10;
    for (int i = 0; i < 6000; ++i) raster.cells.push_back(i % 11 == 0 ? kGridNoData : static_cast<float>(i));
    writeEsriGrid(dir.path().string(), "dem", raster, "PROJCS[\"x\"]");
    feedMutations(fuzz::gridReader, fuzz::gridFiles(dir.file("dem")), 1, 300);
    feedMutations(fuzz::infoTables, test::readFile(dir.file("info/arc.dir")), 2, 200);
    feedMutations(fuzz::asciiReader,
                  "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1 2.5 -9999\n4 5e3 .5\n",
                  3, 300);
    feedMutations(fuzz::xyzReader,
                  test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_north.xyz").substr(0, 4000), 4, 300);
}

}  // namespace
}  // namespace kestrune
