#include "common/free_space.hpp"

#include "common/number_text.hpp"

#include <sys/statvfs.h>

#include <stdexcept>

namespace kestrune {

void checkFreeSpace(const std::string& folder, std::uint64_t bytes, const std::string& what) {
    struct statvfs space;
    if (::statvfs(folder.c_str(), &space) != 0) return;
    const std::uint64_t free = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    if (bytes > free)
        throw std::runtime_error(what + " needs " + formatByteSize(bytes) + ", more than the " + formatByteSize(free) +
                                 " free in " + folder);
}

}  // namespace kestrune
