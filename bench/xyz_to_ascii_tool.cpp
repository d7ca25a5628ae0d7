// Grids one XYZ file into one .asc with the program's engine, and nothing
// else: what the XYZ benchmark times against the peers' command lines.
#include "app/run_context.hpp"
#include "cli/stderr_reporter.hpp"
#include "xyz/xyz_grid_engine.hpp"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench-xyz-to-ascii IN.xyz OUT.asc\n";
        return 2;
    }
    kestrune::RunSettings settings;
    kestrune::StderrReporter reporter(std::cerr);
    kestrune::RunContext run(settings, reporter);
    return kestrune::XyzGridEngine(run, argv[1], argv[2]) ? 0 : 1;
}
