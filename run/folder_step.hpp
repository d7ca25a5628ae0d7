#pragma once

#include "common/folder_listing.hpp"
#include "run/run_context.hpp"

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// What a conversion step does after a file failed.
enum class AfterFailure { GoOnWithTheNextFile, Stop };

// One conversion step over the files of a folder, as the XYZ and the ASCII
// raster conversions share it. Before each file the status line shows
// `statusPrefix`, the file's number and the count (each after one blank), a
// closing parenthesis, three blanks and the file name:
//   "Running : XYZ-->ASCII( 3/ 12)   dem1.xyz".
// `convert` does the file's work and throws on failure; `report` tells the
// user (and clears RunOk); the step then goes on or stops as it says.
struct FolderStep {
    std::string statusPrefix;
    AfterFailure afterFailure = AfterFailure::Stop;
    std::function<void(const std::string& fileName)> convert;
    std::function<void(const std::string& fileName, const std::exception& failure)> report;
};

void runFolderStep(RunContext& run, const std::vector<std::string>& fileNames, const FolderStep& step);

// Tells the user of each entry of the folder that looks like a file but was
// skipped ("<path> is skipped: it is a folder"); a note, not a failure.
void reportSkipped(RunContext& run, const std::string& folder, const std::vector<FolderListing::Skipped>& skipped);

}  // namespace kestrune
