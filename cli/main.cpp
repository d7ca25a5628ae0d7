// kestrune-batch: one Kestrune run from the command line.
#include "cli/batch_options.hpp"
#include "cli/batch_reporter.hpp"
#include "cli/run_log.hpp"
#include "cli/stop_signals.hpp"

#include "common/durable_writes.hpp"
#include "common/failure_description.hpp"
#include "common/process_setup.hpp"
#include "common/version.hpp"
#include "common/worker_pool.hpp"
#include "run/run_sequence.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>

namespace {

using namespace kestrune;

// "kestrune-batch: 12 done, 1 failed, 0 not begun in 4.2 s"; with outputs
// kept by --update, "..., 0 not begun, 7 up to date in 0.3 s".
std::string summaryOf(const RunOutcome& outcome, double seconds) {
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    return "kestrune-batch: " + std::to_string(outcome.tally.done) + " done, " + std::to_string(outcome.tally.failed) +
           " failed, " + std::to_string(outcome.tally.notBegun) + " not begun" +
           (outcome.tally.upToDate ? ", " + std::to_string(outcome.tally.upToDate) + " up to date" : std::string()) +
           " in " + time + " s";
}

// Standard error on a terminal that can redraw a line.
bool onTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) && !(term && std::strcmp(term, "dumb") == 0);
}

int run(const BatchOptions& options) {
    std::optional<RunLog> log;
    if (!options.logPath.empty()) log.emplace(options.logPath);
    WorkerPool::configure(options.threads);
    setDurableWrites(!options.noSync);
    stopOnSignals();
    const ReportStyle style{onTerminal(), options.progress, options.quiet};
    BatchReporter reporter(STDERR_FILENO, style, log ? &*log : nullptr);
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = runSequence(options.settings, reporter);
    if (outcome.settingsRefused) return 2;
    reporter.summary(
        summaryOf(outcome, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
    return outcome.finished ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    prepareProcess();
    const BatchOptions options = parseBatchOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.helpWanted) {
        std::cout << batchHelpText();
        return 0;
    }
    if (options.versionWanted) {
        std::cout << "kestrune-batch " << kVersionText << "\n";
        return 0;
    }
    if (!options.usageError.empty()) {
        std::cerr << "kestrune-batch: " << options.usageError << "\n\n" << batchUsage();
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception& failure) {
        std::cerr << "kestrune-batch: " << describeFailure(failure) << "\n";
    } catch (...) {
        std::cerr << "kestrune-batch: " << describeUnknownFailure() << "\n";
    }
    return 1;
}
