// Grids one XYZ file into one .asc with the program's engine, and nothing
// else: what the XYZ benchmark times against the peers' command lines.
#include "common/failure_description.hpp"
#include "xyz/xyz_gridding.hpp"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench-xyz-to-ascii IN.xyz OUT.asc\n";
        return 2;
    }
    try {
        kestrune::gridXyzFile(argv[1], argv[2], kestrune::GriddingOptions{});
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << argv[1] << ": " << kestrune::describeFailure(failure) << "\n";
        return 1;
    }
}
