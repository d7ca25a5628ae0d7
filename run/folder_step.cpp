#include "run/folder_step.hpp"

#include "common/file_naming.hpp"
#include "common/number_text.hpp"

namespace kestrune {

void runFolderStep(RunContext& run, const std::vector<std::string>& fileNames, const FolderStep& step) {
    const auto count = static_cast<long long>(fileNames.size());
    for (long long i = 0; i < count; ++i) {
        const std::string& name = fileNames[static_cast<std::size_t>(i)];
        run.setStatusLine(step.statusPrefix + statusNumber(i + 1) + "/" + statusNumber(count) + ")   " + name);
        try {
            step.convert(name);
        } catch (const std::exception& failure) {
            step.report(name, failure);
            if (step.afterFailure == AfterFailure::Stop) return;
        }
    }
}

void reportSkipped(RunContext& run, const std::string& folder, const std::vector<FolderListing::Skipped>& skipped) {
    for (const auto& entry : skipped) run.showMessage(joinPath(folder, entry.name) + " is skipped: " + entry.reason);
}

}  // namespace kestrune
