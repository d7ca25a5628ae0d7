#include "common/durable_file.hpp"

#include "common/durable_writes.hpp"
#include "common/write_failure.hpp"

#include <cerrno>
#include <stdexcept>

namespace kestrune {
namespace {

constexpr std::size_t kBufferBytes = 128u << 10;
// How much is written before the disk is asked to start on it.
constexpr std::uint64_t kWriteBackBytes = 8u << 20;

}  // namespace

DurableFile::DurableFile(std::string path, std::string shownAs) : path_(std::move(path)), shownAs_(std::move(shownAs)) {
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) fail("create");
    // Given no buffer, the C library would keep its own of a page.
    buffer_ = std::make_unique<char[]>(kBufferBytes);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferBytes);
}

DurableFile::~DurableFile() {
    if (file_) std::fclose(file_);  // after a failure: the owner removes the file
}

void DurableFile::fail(const char* action) {
    throw std::runtime_error(std::string("cannot ") + action + " " + shownAs_ + ": " +
                             writeFailureReason(path_, errno));
}

void DurableFile::write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("write");
    written_ += bytes.size();
    if (written_ - writtenBack_ >= kWriteBackBytes) {
        if (std::fflush(file_) != 0) fail("write");
        startWriteBack(::fileno(file_), writtenBack_, written_ - writtenBack_);
        writtenBack_ = written_;
    }
}

void DurableFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (std::fflush(file_) != 0 || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fseek(file_, 0, SEEK_END) != 0)
        fail("write");
}

void DurableFile::finish() {
    if (std::fflush(file_) != 0) fail("write");
    if (const int error = syncFileData(::fileno(file_))) {
        errno = error;
        fail("write");
    }
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) fail("write");
}

}  // namespace kestrune
