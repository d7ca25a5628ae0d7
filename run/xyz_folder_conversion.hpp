#pragma once

#include "run/run_context.hpp"

namespace kestrune {

// Grids every file of the XYZ folder into <base>.asc in the ASCII folder,
// in order of name, showing each file in the status line. A failing file is
// reported and the loop goes on; RunOk then stays cleared. A .prj beside an
// XYZ file (same base name) is not gridded but copied beside its .asc.
void XYZ2ASCII(RunContext& run);

}  // namespace kestrune
