#pragma once

#include "run/run_settings.hpp"

#include <string>
#include <vector>

namespace kestrune {

// What the command line asks for: a run with these settings, the help text,
// the version, or nothing because the arguments are wrong (`usageError` says why).
struct BatchOptions {
    RunSettings settings;
    unsigned threads = 0;   // the worker pool's size; 0 is the default
    bool quiet = false;     // nothing but failures
    bool progress = false;  // progress marks on a pipe too
    bool noSync = false;    // outputs need not reach the disk before they take their names
    bool seamless = false;  // the GRID folder's rasters as tiles of one surface
    bool update = false;    // keep outputs already made as they would be again
    std::string logPath;    // append every line to this file
    bool helpWanted = false;
    bool versionWanted = false;
    std::string usageError;
};

// Reads the arguments after the program name. Values are kept as typed; only
// --input and --separator take fixed words. No arguments at all is a usage
// error: the usage is what the user needs to see.
BatchOptions parseBatchOptions(const std::vector<std::string>& arguments);

// The text --help prints, and its first lines, which a usage error shows.
std::string batchHelpText();
std::string batchUsage();

}  // namespace kestrune
