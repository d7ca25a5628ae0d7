#include "common/temporary_name.hpp"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kestrune {
namespace {

constexpr const char* kMark = ".kestrune~";
constexpr const char* kBackup = ".old";

}  // namespace

const std::string& hostName() {
    static const std::string name = [] {
        char text[256] = {};
        if (gethostname(text, sizeof text - 1) != 0 || !*text) return std::string("localhost");
        std::string host(text);
        for (char& c : host)
            if (c == '~' || c == '/') c = '_';  // the name must not hold the separators
        return host;
    }();
    return name;
}

bool processAlive(long process) {
    return process > 0 && (::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
}

std::string backupPathOf(const std::string& temporaryPath) { return temporaryPath + kBackup; }

namespace {

// The most bytes a file name may have on the file systems we write to.
constexpr std::size_t kLongestName = 255;
// What ends the target part of a hidden name made shorter: "~h" and a hash.
constexpr const char* kShortened = "~h";

// `name`, or when it is longer than `room` bytes its start and a hash of
// the whole: a hidden name never passes the longest a file name may be.
std::string nameWithin(const std::string& name, std::size_t room) {
    if (name.size() <= room) return name;
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ULL;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    const std::size_t kept = room > 18 ? room - 18 : 0;
    return name.substr(0, kept) + kShortened + digits;
}

// True when an entry of the name plus a suffix is there, or of its backup name.
bool anyEntryThere(const std::string& path, const std::vector<std::string>& suffixes) {
    for (const std::string& base : {path, path + kBackup})
        for (const std::string& suffix : suffixes) {
            std::error_code error;
            if (std::filesystem::exists(std::filesystem::symlink_status(base + suffix, error))) return true;
        }
    return false;
}

}  // namespace

std::string temporaryPathBeside(const std::string& targetPath, const std::vector<std::string>& suffixes) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path target(targetPath);
    const std::string tail = kMark + hostName() + "~" + std::to_string(getpid()) + "~";
    std::size_t longestSuffix = 0;
    for (const std::string& suffix : suffixes) longestSuffix = std::max(longestSuffix, suffix.size());
    // Room for the dot, the counter (10 digits at most) and the backup mark.
    const std::size_t room = kLongestName - 1 - tail.size() - 10 - std::strlen(kBackup) - longestSuffix;
    const std::string stem = "." + nameWithin(target.filename().string(), room) + tail;
    // Only this process makes names with its number, each once; what is
    // there already was left by an earlier process of the same number.
    std::string path;
    do {
        path = (target.parent_path() / (stem + std::to_string(counter++))).string();
    } while (anyEntryThere(path, suffixes));
    return path;
}

std::optional<TemporaryName> parseTemporaryName(const std::string& fileName) {
    const auto mark = fileName.find(kMark);
    if (fileName.size() < 2 || fileName.front() != '.' || mark == std::string::npos || mark < 2) return std::nullopt;
    TemporaryName parsed;
    parsed.target = fileName.substr(1, mark - 1);
    const auto shortMark = parsed.target.rfind(kShortened);
    parsed.shortened = shortMark != std::string::npos && parsed.target.size() - shortMark == 18;
    std::string rest = fileName.substr(mark + std::char_traits<char>::length(kMark));  // host~process~counter...
    const auto hostEnd = rest.find('~');
    if (hostEnd == std::string::npos) return std::nullopt;
    parsed.host = rest.substr(0, hostEnd);
    rest.erase(0, hostEnd + 1);
    char* end = nullptr;
    parsed.process = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != '~') return std::nullopt;
    rest.erase(0, static_cast<std::size_t>(end - rest.c_str()) + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0) return std::nullopt;
    parsed.group = fileName.substr(0, fileName.size() - (rest.size() - digits));
    std::string extension = rest.substr(digits);
    if (extension.rfind(kBackup, 0) == 0) {
        parsed.backup = true;
        extension.erase(0, std::char_traits<char>::length(kBackup));
    }
    parsed.target += extension;
    return parsed;
}

}  // namespace kestrune
