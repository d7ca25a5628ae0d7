#include "common/write_failure.hpp"

#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kestrune {

std::string writeFailureReason(const std::string& path, int error) {
    if (error == EROFS) return "the file system is read-only";
    if (error == EACCES) {
        std::string folder = std::filesystem::path(path).parent_path().string();
        if (folder.empty()) folder = ".";
        if (::access(folder.c_str(), W_OK) != 0 && errno == EACCES) return "the folder " + folder + " is read-only";
    }
    return std::strerror(error);
}

}  // namespace kestrune
