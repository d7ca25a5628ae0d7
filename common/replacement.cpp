#include "common/replacement.hpp"

#include "common/temporary_name.hpp"

#include <fcntl.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

bool present(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

void move(const std::string& from, const std::string& to, const std::string& target) {
    std::error_code error;
    fs::rename(from, to, error);
    if (error) throw std::runtime_error("cannot replace " + target + ": " + error.message());
}

// Swaps two names in one step; false where the file system cannot.
bool exchange(const std::string& first, const std::string& second) {
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        throw std::runtime_error("cannot replace " + second + ": " + std::strerror(errno));
#endif
    return false;
}

void removeQuietly(const std::string& path) {
    std::error_code ignored;  // a leftover here is cleared by the next run
    fs::remove_all(path, ignored);
}

}  // namespace

void replaceWithStaged(const std::string& staged, const std::string& target) {
    if (!present(target)) {
        move(staged, target, target);
        return;
    }
    if (exchange(staged, target)) {
        removeQuietly(staged);  // the earlier version, now under the hidden name
        return;
    }
    const std::string backup = backupPathOf(staged);
    move(target, backup, target);
    try {
        move(staged, target, target);
    } catch (const std::runtime_error&) {
        std::error_code ignored;  // the failure thrown below is the one to report
        fs::rename(backup, target, ignored);
        throw;
    }
    removeQuietly(backup);
}

void replaceFileSet(const std::string& stagedBase, const std::string& targetBase,
                    const std::vector<std::string>& extensions) {
    const std::string backupBase = backupPathOf(stagedBase);
    std::vector<std::string> movedAside, movedIn;
    auto undo = [&] {
        std::error_code ignored;  // putting the earlier set back after a failure that is thrown
        for (const auto& extension : movedIn) fs::rename(targetBase + extension, stagedBase + extension, ignored);
        for (const auto& extension : movedAside) fs::rename(backupBase + extension, targetBase + extension, ignored);
    };
    try {
        for (const auto& extension : extensions) {
            if (!present(targetBase + extension)) continue;
            move(targetBase + extension, backupBase + extension, targetBase + extension);
            movedAside.push_back(extension);
        }
        for (const auto& extension : extensions) {
            if (!present(stagedBase + extension)) continue;
            move(stagedBase + extension, targetBase + extension, targetBase + extension);
            movedIn.push_back(extension);
        }
    } catch (const std::runtime_error&) {
        undo();
        throw;
    }
    for (const auto& extension : movedAside) removeQuietly(backupBase + extension);
}

void clearLeftovers(const std::string& folder) {
    struct Leftover {
        std::string path;
        TemporaryName name;
    };
    std::map<std::string, std::vector<Leftover>> outputs;  // by the output they belong to
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string fileName = entry->path().filename().string();
        std::optional<TemporaryName> name = parseTemporaryName(fileName);
        if (!name || name->host != hostName() || processAlive(name->process)) continue;
        outputs[name->group].push_back({entry->path().string(), *name});
    }
    for (auto& [group, leftovers] : outputs) {
        bool restore = false;  // an earlier output whose successor never (wholly) arrived
        for (const Leftover& leftover : leftovers)
            if (leftover.name.backup && !present((fs::path(folder) / leftover.name.target).string())) restore = true;
        for (const Leftover& leftover : leftovers) {
            const std::string target = (fs::path(folder) / leftover.name.target).string();
            if (restore && leftover.name.backup) {
                std::error_code ignored;  // what cannot be put back stays for the next run
                if (present(target)) fs::remove_all(target, ignored);
                fs::rename(leftover.path, target, ignored);
            } else {
                removeQuietly(leftover.path);
            }
        }
    }
}

}  // namespace kestrune
