#include "common/scratch_file.hpp"

#include "common/temporary_name.hpp"
#include "common/write_failure.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
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

std::uint64_t ScratchFile::append(const void* bytes, std::size_t size) {
    const std::uint64_t offset = size_;
    const char* p = static_cast<const char*>(bytes);
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::pwrite(descriptor_.get(), p + done, size - done, static_cast<off_t>(offset + done));
        if (written <= 0) fail("write");
        done += static_cast<std::size_t>(written);
    }
    size_ += size;
    return offset;
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
