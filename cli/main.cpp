// kestrune-batch: one Kestrune run from the command line.
#include "cli/batch_options.hpp"
#include "cli/stderr_reporter.hpp"
#include "cli/stop_signals.hpp"

#include "common/failure_description.hpp"
#include "common/process_setup.hpp"
#include "common/version.hpp"
#include "common/worker_pool.hpp"
#include "run/run_sequence.hpp"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    using namespace kestrune;
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
        std::cerr << "kestrune-batch: " << options.usageError << "\nTry kestrune-batch --help.\n";
        return 2;
    }
    try {
        WorkerPool::configure(options.threads);
        stopOnSignals();
        StderrReporter reporter(std::cerr);
        return runSequence(options.settings, reporter) ? 0 : 1;
    } catch (const std::exception& failure) {
        std::cerr << "kestrune-batch: " << describeFailure(failure) << "\n";
    } catch (...) {
        std::cerr << "kestrune-batch: " << describeUnknownFailure() << "\n";
    }
    return 1;
}
