#include "common/output_file.hpp"

#include "common/durable_writes.hpp"
#include "common/write_failure.hpp"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {

OutputFile::OutputFile(std::string targetPath, std::string shownAs)
    : targetPath_(std::move(targetPath)),
      shownAs_(shownAs.empty() ? targetPath_ : std::move(shownAs)),
      temporaryPath_(temporaryPathBeside(targetPath_)) {
    file_.emplace(temporaryPath_, shownAs_);
}

OutputFile::~OutputFile() {
    if (file_) {
        file_.reset();
        std::remove(temporaryPath_.c_str());
    }
}

void OutputFile::write(std::string_view bytes) { file_->write(bytes); }

void OutputFile::commit() {
    file_->finish();  // a failure leaves the temporary file to the destructor
    file_.reset();
    std::error_code renameError;
    fs::rename(temporaryPath_, targetPath_, renameError);
    if (renameError) {
        std::remove(temporaryPath_.c_str());
        throw std::runtime_error("cannot replace " + shownAs_ + ": " +
                                 writeFailureReason(targetPath_, renameError.value()));
    }
    syncFolder(fs::path(targetPath_).parent_path().string());
}

}  // namespace kestrune
