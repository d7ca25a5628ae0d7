#pragma once

#include "common/folder_listing.hpp"
#include "common/worker_pool.hpp"
#include "run/run_context.hpp"

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kestrune {

// What a conversion step does after a file failed.
enum class AfterFailure { GoOnWithTheNextFile, Stop };

// The outputs of one file, made under hidden names and waiting to take
// their places: calling it puts them in place (and does what goes with
// that); dropping it removes them.
using PendingOutput = std::function<void()>;

// One conversion step over the files of a folder, as the XYZ and the ASCII
// raster conversions share it. Files are prepared on the worker pool,
// several at once as memory allows; then, in file order, the status line
// shows `statusPrefix`, the file's number and the count (each after one
// blank), a closing parenthesis, three blanks and the file name
// ("Running : XYZ-->ASCII( 3/ 12)   dem1.xyz"), and the file's outputs go in
// place, or its failure is reported. Under AfterFailure::Stop no output of
// a later file goes in after a failure. A stop request ends the step after
// the files being worked on, and clears RunOk.
struct FolderStep {
    std::string statusPrefix;
    AfterFailure afterFailure = AfterFailure::Stop;
    // The folder of the files, and the memory preparing one takes at most,
    // in bytes a byte of the file.
    std::string inputFolder;
    double memoryPerInputByte = 0;
    // Files refused before any work (two of one output name, an output
    // that would replace its input), with the reason told in their turn.
    std::map<std::string, std::string> refused = {};
    // On the worker pool: the file's work up to its pending outputs; throws.
    std::function<PendingOutput(const std::string& fileName)> prepare = {};
    // With --update, on the worker pool: true when the file's outputs are
    // there as the file and the settings would make them again; they are
    // kept and the file is told as up to date, `kept` called in its turn.
    std::function<bool(const std::string& fileName)> upToDate = {};
    std::function<void(const std::string& fileName)> kept = {};
    // Tells the user (and clears RunOk).
    std::function<void(const std::string& fileName, const std::exception& failure)> report = {};
};

void runFolderStep(RunContext& run, const std::vector<std::string>& fileNames, const FolderStep& step);

// How files are worked on at once: twice as many as the pool has threads
// (a thread that waits for the oldest file works on a later one meanwhile,
// and the others must not run dry while it does), within half the memory,
// and none started once the user asked to stop.
PipelineControl filesAtOnce(const RunContext& run);

// Tells the user of each entry of the folder that looks like a file but was
// skipped ("<path> is skipped: it is a folder"); a note, not a failure.
void reportSkipped(RunContext& run, const std::string& folder, const std::vector<FolderListing::Skipped>& skipped);

// The share of `items` this run does: all of them, or with a shard K/N of
// the settings those whose index is K modulo N.
std::vector<std::string> shareOf(const std::vector<std::string>& items, const RunSettings& settings);

}  // namespace kestrune
