#pragma once

#include "common/background_writer.hpp"
#include "common/file_descriptor.hpp"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A new file written from start to end through two buffers: one is filled
// while a thread of the file's own writes the other. When outputs must
// reach the disk (see durableWrites), it is written straight to the disk,
// past the page cache (O_DIRECT), in whole blocks: no copy into the cache,
// no cache pages to find for the file, and finish() waits only for the
// disk's own cache. Where the file system refuses that, and for --no-sync,
// it goes through the page cache, whose write-back starts as it is written
// (see startWriteBack), so that the sync at finish() finds little left.
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
    struct Patch {
        std::uint64_t offset;
        std::string bytes;
    };
    struct FreeAligned {
        void operator()(char* memory) const;
    };

    void handBuffer();
    void writeTail();
    void applyPatch(const Patch& patch);
    void writeOut(const char* data, std::size_t size, std::uint64_t offset);
    void readIn(char* data, std::size_t size, std::uint64_t offset);
    bool leaveDirectWriting();
    [[noreturn]] void fail(const char* action);

    std::string path_;
    std::string shownAs_;
    FileDescriptor file_;
    std::atomic<bool> direct_ = false;                         // also changed by the writer's thread
    std::unique_ptr<char, FreeAligned> buffer_, otherBuffer_;  // filled; in the writer's hands
    std::size_t buffered_ = 0;                                 // bytes in the buffer
    std::uint64_t bufferStart_ = 0;                            // the file offset of the buffer's first byte
    std::vector<Patch> patches_;                               // writeAt()s of bytes gone to the disk, made at finish()
    BackgroundWriter writer_;                                  // last: it finishes its buffer before the rest goes
};

}  // namespace kestrune
