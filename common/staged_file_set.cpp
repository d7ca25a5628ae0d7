#include "common/staged_file_set.hpp"

#include "common/replacement.hpp"
#include "common/temporary_name.hpp"

#include <filesystem>

namespace kestrune {

StagedFileSet::StagedFileSet(const std::string& targetBase, std::vector<std::string> extensions)
    : basePath_(temporaryPathBeside(targetBase, extensions)), extensions_(std::move(extensions)) {}

StagedFileSet::~StagedFileSet() {
    if (basePath_.empty()) return;
    for (const auto& extension : extensions_) {
        std::error_code ignored;  // a leftover here is cleared by the next run
        std::filesystem::remove(basePath_ + extension, ignored);
    }
}

void StagedFileSet::putInPlace(const std::string& targetBase) {
    replaceFileSet(basePath_, targetBase, extensions_);
    basePath_.clear();
}

}  // namespace kestrune
