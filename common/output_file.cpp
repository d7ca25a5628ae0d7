#include "common/output_file.hpp"

#include "common/durable_writes.hpp"
#include "common/write_failure.hpp"

#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {

OutputFile::OutputFile(std::string targetPath, std::string shownAs)
    : targetPath_(std::move(targetPath)),
      shownAs_(shownAs.empty() ? targetPath_ : std::move(shownAs)),
      temporaryPath_(temporaryPathBeside(targetPath_)) {
    file_ = std::fopen(temporaryPath_.c_str(), "wb");
    if (!file_)
        throw std::runtime_error("cannot create " + shownAs_ + ": " + writeFailureReason(temporaryPath_, errno));
}

OutputFile::~OutputFile() {
    if (file_) {
        std::fclose(file_);
        std::remove(temporaryPath_.c_str());
    }
}

void OutputFile::fail(const std::string& action) {
    throw std::runtime_error("cannot " + action + " " + shownAs_ + ": " + writeFailureReason(temporaryPath_, errno));
}

void OutputFile::write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("write");
    written_ += bytes.size();
    if (written_ - writtenBack_ >= kWriteBackBytes) {
        if (std::fflush(file_) != 0) fail("write");
        startWriteBack(::fileno(file_), writtenBack_, written_ - writtenBack_);
        writtenBack_ = written_;
    }
}

void OutputFile::commit() {
    if (std::fflush(file_) != 0) fail("write");
    if (const int error = syncFileData(::fileno(file_))) {
        errno = error;
        fail("write");
    }
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) {
        int error = errno;
        std::remove(temporaryPath_.c_str());
        errno = error;
        fail("write");
    }
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
