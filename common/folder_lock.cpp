#include "common/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace kestrune {

FolderLock::FolderLock(const std::string& folder)
    : lock_(::open((std::filesystem::path(folder) / ".kestrune~lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (!lock_) return;
    while (::flock(lock_.get(), LOCK_EX) != 0)
        if (errno != EINTR) {  // no locks on this file system: take turns is all it loses
            return;
        }
}

}  // namespace kestrune
