#include "common/durable_file.hpp"

#include "common/durable_writes.hpp"
#include "common/write_failure.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kestrune {
namespace {

// The unit of writing past the page cache: a multiple of every disk's
// logical block and of the page size, for offsets, lengths and memory.
constexpr std::size_t kBlockBytes = 4096;
constexpr std::size_t kBufferBytes = 1u << 20;

std::uint64_t roundUpToBlock(std::uint64_t bytes) { return (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes; }

// Readable too: a patch made straight to the disk reads its blocks back.
int openFlags(bool direct) { return O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | (direct ? O_DIRECT : 0); }

char* alignedBuffer() {
    auto* memory = static_cast<char*>(std::aligned_alloc(kBlockBytes, kBufferBytes));
    if (!memory) throw std::bad_alloc();
    return memory;
}

}  // namespace

void DurableFile::FreeAligned::operator()(char* memory) const { std::free(memory); }

DurableFile::DurableFile(std::string path, std::string shownAs)
    : path_(std::move(path)),
      shownAs_(std::move(shownAs)),
      buffer_(alignedBuffer()),
      otherBuffer_(alignedBuffer()),
      writer_([this](const char* data, std::size_t size, std::uint64_t offset) {
          writeOut(data, size, offset);
          // Through the page cache, the disk starts on the bytes now.
          if (!direct_) startWriteBack(file_.get(), offset, size);
      }) {
    direct_ = durableWrites();
    file_ = FileDescriptor(::open(path_.c_str(), openFlags(direct_), 0666));
    if (!file_ && direct_ && errno == EINVAL) {  // a file system that cannot bypass its cache
        direct_ = false;
        file_ = FileDescriptor(::open(path_.c_str(), openFlags(false), 0666));
    }
    if (!file_) fail("create");
}

DurableFile::~DurableFile() = default;  // after a failure: the owner removes the file

void DurableFile::fail(const char* action) {
    throw std::runtime_error(std::string("cannot ") + action + " " + shownAs_ + ": " +
                             writeFailureReason(path_, errno));
}

void DurableFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t taken = std::min(bytes.size(), kBufferBytes - buffered_);
        std::memcpy(buffer_.get() + buffered_, bytes.data(), taken);
        buffered_ += taken;
        bytes.remove_prefix(taken);
        if (buffered_ == kBufferBytes) handBuffer();
    }
}

void DurableFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (offset + bytes.size() > bufferStart_ + buffered_) throw std::logic_error("writeAt past the end of " + shownAs_);
    // The part still in the buffer is changed there; the rest at the end.
    const std::uint64_t inBuffer = std::max(offset, bufferStart_);
    const std::uint64_t end = offset + bytes.size();
    if (inBuffer < end)
        std::memcpy(buffer_.get() + (inBuffer - bufferStart_), bytes.data() + (inBuffer - offset), end - inBuffer);
    if (offset < bufferStart_)
        patches_.push_back({offset, std::string(bytes.substr(0, std::min(end, bufferStart_) - offset))});
}

// Hands the full buffer to the writer and goes on in the other.
void DurableFile::handBuffer() {
    writer_.hand(buffer_.get(), buffered_, bufferStart_);
    std::swap(buffer_, otherBuffer_);
    bufferStart_ += buffered_;
    buffered_ = 0;
}

// Writes what is left in the buffer, once the writer is done: straight to
// the disk as whole blocks (the file is cut to its length at the end).
void DurableFile::writeTail() {
    writer_.wait();
    std::size_t size = buffered_;
    if (direct_) {
        size = static_cast<std::size_t>(roundUpToBlock(buffered_));
        std::memset(buffer_.get() + buffered_, 0, size - buffered_);
    }
    writeOut(buffer_.get(), size, bufferStart_);
    bufferStart_ += buffered_;
    buffered_ = 0;
}

void DurableFile::writeOut(const char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(file_.get(), data, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        // A file system may open a file for direct writing and then refuse
        // the writes (or a part of one leaves the rest unaligned).
        if (written < 0 && errno == EINVAL && leaveDirectWriting()) continue;
        if (written < 0) fail("write");
        if (written == 0) {
            errno = ENOSPC;
            fail("write");
        }
        data += written, size -= static_cast<std::size_t>(written), offset += static_cast<std::uint64_t>(written);
    }
}

void DurableFile::readIn(char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t read = ::pread(file_.get(), data, size, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) continue;
        if (read < 0 && errno == EINVAL && leaveDirectWriting()) continue;
        if (read <= 0) {
            if (read == 0) errno = EIO;
            fail("read back");
        }
        data += read, size -= static_cast<std::size_t>(read), offset += static_cast<std::uint64_t>(read);
    }
}

// Goes on through the page cache; false when it already does.
bool DurableFile::leaveDirectWriting() {
    if (!direct_) return false;
    const int flags = ::fcntl(file_.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file_.get(), F_SETFL, flags & ~O_DIRECT) != 0) return false;
    direct_ = false;
    return true;
}

// A change to bytes on the disk: through the cache as it is, straight to the
// disk by reading and writing the whole blocks it falls in.
void DurableFile::applyPatch(const Patch& patch) {
    if (!direct_) return writeOut(patch.bytes.data(), patch.bytes.size(), patch.offset);
    const std::uint64_t first = patch.offset / kBlockBytes * kBlockBytes;
    const std::uint64_t end = roundUpToBlock(patch.offset + patch.bytes.size());
    for (std::uint64_t at = first; at < end; at += kBufferBytes) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, end - at));
        readIn(buffer_.get(), size, at);
        const std::uint64_t from = std::max(at, patch.offset);
        const std::uint64_t to = std::min(at + size, patch.offset + patch.bytes.size());
        std::memcpy(buffer_.get() + (from - at), patch.bytes.data() + (from - patch.offset), to - from);
        writeOut(buffer_.get(), size, at);
    }
}

void DurableFile::finish() {
    const std::uint64_t length = bufferStart_ + buffered_;
    writeTail();
    // Whole blocks until here, so that every block a patch reads is whole.
    for (const Patch& patch : patches_) applyPatch(patch);
    patches_.clear();
    if (::ftruncate(file_.get(), static_cast<off_t>(length)) != 0) fail("write");
    if (const int error = syncFileData(file_.get())) {
        errno = error;
        fail("write");
    }
    FileDescriptor file = std::move(file_);
    if (::close(file.release()) != 0) fail("write");
}

}  // namespace kestrune
