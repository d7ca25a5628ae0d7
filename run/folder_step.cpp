#include "run/folder_step.hpp"

#include "common/file_naming.hpp"
#include "common/memory_budget.hpp"
#include "common/number_text.hpp"
#include "common/worker_pool.hpp"
#include "run/items_in_order.hpp"

#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

// A file prepared on the pool: its pending outputs, or why it failed.
struct PreparedFile {
    PendingOutput outputs;
    std::exception_ptr failure;
    bool upToDate = false;
};

}  // namespace

void runFolderStep(RunContext& run, const std::vector<std::string>& fileNames, const FolderStep& step) {
    const auto count = static_cast<long long>(fileNames.size());
    bool failedAndStopping = false, cutShort = false;
    PipelineControl control = filesAtOnce(run);
    control.memoryCost = [&](std::size_t i) {
        std::error_code error;
        const std::uintmax_t bytes = std::filesystem::file_size(joinPath(step.inputFolder, fileNames[i]), error);
        return error ? std::uint64_t{0}
                     : static_cast<std::uint64_t>(static_cast<double>(bytes) * step.memoryPerInputByte);
    };
    control.stopStarting = [&] { return failedAndStopping || run.stopRequested(); };
    auto statusText = [&](std::size_t i) -> std::string {
        if (failedAndStopping) return {};  // no later file is shown, nor put in place
        return step.statusPrefix + statusNumber(static_cast<long long>(i) + 1) + "/" + statusNumber(count) + ")   " +
               fileNames[i];
    };
    auto prepare = [&](std::size_t i) {
        try {
            if (auto why = step.refused.find(fileNames[i]); why != step.refused.end())
                throw std::runtime_error(why->second);
            if (run.settings.update && step.upToDate && step.upToDate(fileNames[i]))
                return PreparedFile{nullptr, nullptr, true};
            return PreparedFile{step.prepare(fileNames[i]), nullptr};
        } catch (const std::exception&) {  // reported in its turn, on the step's thread
            return PreparedFile{nullptr, std::current_exception()};
        }
    };
    auto putInPlace = [&](std::size_t i, PreparedFile&& file) {
        if (failedAndStopping || isStop(file.failure)) {  // its outputs go with `file`
            cutShort |= !failedAndStopping;
            ++run.tally.notBegun;
            return;
        }
        if (file.upToDate) {
            run.setStatusLine(upToDateText(statusText(i)));
            if (step.kept) step.kept(fileNames[i]);
            ++run.tally.upToDate;
            return;
        }
        try {
            if (file.failure) std::rethrow_exception(file.failure);
            file.outputs();
            ++run.tally.done;
        } catch (const std::exception& failure) {
            step.report(fileNames[i], failure);
            ++run.tally.failed;
            if (step.afterFailure == AfterFailure::Stop) failedAndStopping = true;
        }
    };
    const std::size_t told = runItemsInOrder(run, fileNames.size(), control, statusText, prepare, putInPlace);
    run.tally.notBegun += fileNames.size() - told;
    // Files cut short or never begun end the run as stopped.
    if (cutShort || told < fileNames.size()) run.RunOk = false;
}

PipelineControl filesAtOnce(const RunContext& run) {
    PipelineControl control;
    control.ahead = 2 * WorkerPool::instance().size();
    control.memoryBudget = memoryBudget() / 2;
    control.stopStarting = [&run] { return run.stopRequested(); };
    return control;
}

void reportSkipped(RunContext& run, const std::string& folder, const std::vector<FolderListing::Skipped>& skipped) {
    for (const auto& entry : skipped) run.showMessage(joinPath(folder, entry.name) + " is skipped: " + entry.reason);
}

std::vector<std::string> shareOf(const std::vector<std::string>& items, const RunSettings& settings) {
    if (settings.shardCount <= 1) return items;
    std::vector<std::string> share;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (static_cast<int>(i % static_cast<std::size_t>(settings.shardCount)) == settings.shardIndex)
            share.push_back(items[i]);
    return share;
}

}  // namespace kestrune
