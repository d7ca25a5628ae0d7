#include "common/mapped_file.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kestrune {
namespace {

[[noreturn]] void fail(const char* action) {
    throw std::runtime_error(std::string("cannot ") + action + " the file: " + std::strerror(errno));
}

}  // namespace

MappedFile::MappedFile(const std::string& path) {
    int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) fail("open");
    struct stat status;
    if (::fstat(descriptor, &status) != 0) {
        int error = errno;
        ::close(descriptor);
        errno = error;
        fail("read");
    }
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ > 0) {
        void* mapping = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapping == MAP_FAILED) {
            int error = errno;
            ::close(descriptor);
            errno = error;
            fail("read");
        }
        data_ = static_cast<const char*>(mapping);
        ::madvise(mapping, size_, MADV_SEQUENTIAL);
    }
    ::close(descriptor);
}

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
}

void MappedFile::releaseBefore(std::size_t offset) {
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t end = offset / page * page;
    if (!data_ || end <= released_) return;
    ::madvise(const_cast<char*>(data_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

}  // namespace kestrune
