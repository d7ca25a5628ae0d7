// Traces the contour lines of a GRID and throws them away: the floor of a
// contour run, all of its work but encoding and writing the lines.
// Usage: bench-trace-contours GRID INTERVAL
#include "common/failure_description.hpp"
#include "gis/contour/contour_generator.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"

#include <cstdlib>
#include <iostream>
#include <span>
#include <string>
#include <string_view>

namespace {

// Takes the lines and keeps nothing of them but their count.
struct DiscardingWriter {
    std::size_t lines = 0;
    void encode(double, std::span<const kestrune::PixelPoint>, std::string&) const {}
    void write(double, std::string_view) { ++lines; }
    void writeJoined(double, const kestrune::JoinedLine&) { ++lines; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench-trace-contours GRID INTERVAL\n";
        return 2;
    }
    try {
        DiscardingWriter writer;
        kestrune::generateContours(kestrune::openEsriGrid(argv[1]), kestrune::ContourLevels{0, std::atof(argv[2])},
                                   writer);
        std::cout << writer.lines << " lines\n";
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << argv[1] << ": " << kestrune::describeFailure(failure) << "\n";
        return 1;
    }
}
