#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kestrune {

// A new file written from start to end through a large buffer. Its bytes
// start for the disk as they are written (see startWriteBack), so that
// finish(), which flushes them, waits until they are on the disk (see
// durableWrites) and closes the file, finds little left to wait for.
// Failures throw std::runtime_error "cannot <action> <shownAs>: <reason>".
// A file not finished is closed as it is: its owner removes it.
class DurableFile {
public:
    // Creates the file (replacing one of its name); `shownAs` names it in messages.
    DurableFile(std::string path, std::string shownAs);
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    void write(std::string_view bytes);
    // Writes over bytes written before, at `offset` (a header filled in at the end).
    void writeAt(std::uint64_t offset, std::string_view bytes);
    void finish();

    const std::string& path() const { return path_; }

private:
    [[noreturn]] void fail(const char* action);

    std::string path_;
    std::string shownAs_;
    std::unique_ptr<char[]> buffer_;  // stdio's, large: a system call a buffer
    std::FILE* file_ = nullptr;
    std::uint64_t written_ = 0, writtenBack_ = 0;
};

}  // namespace kestrune
