#include "common/durable_writes.hpp"

#include "common/file_descriptor.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kestrune {
namespace {

std::atomic<bool> durable{true};

}  // namespace

void setDurableWrites(bool on) { durable = on; }

bool durableWrites() { return durable; }

void startWriteBack(int descriptor, std::uint64_t offset, std::uint64_t length) {
    if (!durable || length == 0) return;
#ifdef SYNC_FILE_RANGE_WRITE
    // A hint: where the system cannot, the sync at the end does it all.
    ::sync_file_range(descriptor, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)descriptor, (void)offset, (void)length;
#endif
}

int syncFileData(int descriptor) {
    if (!durable) return 0;
    return ::fdatasync(descriptor) == 0 ? 0 : errno;
}

void syncFolder(const std::string& folder) {
    if (!durable) return;
    const FileDescriptor entries(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that cannot be opened for reading has nothing of ours to sync;
    // file systems that cannot sync a folder (EINVAL) keep their names anyway.
    if (!entries || ::fsync(entries.get()) == 0 || errno == EINVAL) return;
    throw std::runtime_error("cannot write the folder " + folder + " to the disk: " + std::strerror(errno));
}

}  // namespace kestrune
