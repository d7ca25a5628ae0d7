#include "common/scratch_file.hpp"

#include "common/temporary_name.hpp"
#include "common/write_failure.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace kestrune {

ScratchFile::ScratchFile(const std::string& folder) : folder_(folder) {
#ifdef O_TMPFILE
    descriptor_ = FileDescriptor(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
#endif
    if (!descriptor_) {  // a file system without unnamed files: a hidden name, removed at once
        const std::string path = temporaryPathBeside(folder + "/scratch");
        descriptor_ = FileDescriptor(::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600));
        if (descriptor_) ::unlink(path.c_str());
    }
    if (!descriptor_) fail("create");
}

void ScratchFile::fail(const char* action) const {
    throw std::runtime_error(std::string("cannot ") + action + " a scratch file in " + folder_ + ": " +
                             writeFailureReason(folder_ + "/scratch", errno));
}

// Room for `size` bytes: the smallest released piece that holds them (the
// rest of it stays released), or the end of the file.
std::uint64_t ScratchFile::take(std::size_t size) {
    const auto fit = freeBySize_.lower_bound(size);
    if (fit == freeBySize_.end()) {
        const std::uint64_t offset = size_;
        size_ += size;
        return offset;
    }
    const std::uint64_t offset = fit->second, room = fit->first;
    freeBySize_.erase(fit);
    freeByOffset_.erase(offset);
    if (room > size) {
        freeByOffset_.emplace(offset + size, room - size);
        freeBySize_.emplace(room - size, offset + size);
    }
    return offset;
}

std::uint64_t ScratchFile::store(const void* bytes, std::size_t size) {
    const std::uint64_t offset = take(size);
    const char* p = static_cast<const char*>(bytes);
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::pwrite(descriptor_.get(), p + done, size - done, static_cast<off_t>(offset + done));
        if (written <= 0) fail("write");
        done += static_cast<std::size_t>(written);
    }
    return offset;
}

void ScratchFile::release(std::uint64_t offset, std::size_t size) {
    if (size == 0) return;
    auto forget = [this](std::map<std::uint64_t, std::uint64_t>::iterator piece) {
        const auto [first, last] = freeBySize_.equal_range(piece->second);
        for (auto it = first; it != last; ++it)
            if (it->second == piece->first) {
                freeBySize_.erase(it);
                break;
            }
        return freeByOffset_.erase(piece);
    };
    std::uint64_t end = offset + size;
    // Joined with the released pieces it touches on either side.
    auto after = freeByOffset_.lower_bound(offset);
    if (after != freeByOffset_.end() && after->first == end) {
        end += after->second;
        after = forget(after);
    }
    if (after != freeByOffset_.begin()) {
        auto before = std::prev(after);
        if (before->first + before->second == offset) {
            offset = before->first;
            forget(before);
        }
    }
    freeByOffset_.emplace(offset, end - offset);
    freeBySize_.emplace(end - offset, offset);
}

void ScratchFile::read(std::uint64_t offset, void* bytes, std::size_t size) const {
    char* p = static_cast<char*>(bytes);
    for (std::size_t done = 0; done < size;) {
        const ssize_t got = ::pread(descriptor_.get(), p + done, size - done, static_cast<off_t>(offset + done));
        if (got <= 0) fail("read");
        done += static_cast<std::size_t>(got);
    }
}

}  // namespace kestrune
