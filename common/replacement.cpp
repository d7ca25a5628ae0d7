#include "common/replacement.hpp"

#include "common/durable_writes.hpp"
#include "common/folder_lock.hpp"
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

std::string folderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

void replaceFolder(const std::string& staged, const std::string& target, const std::string& afterwards,
                   const std::function<void()>& whenIn) {
    const std::string folder = folderOf(target);
    const std::string backup = backupPathOf(staged);
    syncFolder(staged);  // the new folder's names on the disk before it takes its place
    const FolderLock lock(folder);
    SwapRecord record;
    record.kind = SwapRecord::Kind::Folder;
    record.target = nameOf(target);
    record.staged = nameOf(staged);
    record.backup = nameOf(backup);
    record.newIdentity = fileIdentity(staged);
    record.afterwards = afterwards;
    SwapJournal journal(folder, record);
    try {
        // Within the lock no other run puts anything under the target's name.
        if (!present(target))
            move(staged, target, target);
        else if (!exchange(staged, target)) {
            move(target, backup, target);
            move(staged, target, target);
        }
        syncFolder(folder);
        if (whenIn) whenIn();
    } catch (const std::exception&) {  // undone below, then passed on
        // The new folder out again (back to its hidden name, where the
        // earlier one is after an exchange), then settled as undone.
        if (fileIdentity(target) == record.newIdentity) {
            std::error_code ignored;  // settleSwap below puts back what this cannot
            if (!present(staged)) fs::rename(target, staged, ignored);
#ifdef RENAME_EXCHANGE
            else
                ::renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, staged.c_str(), RENAME_EXCHANGE);
#endif
        }
        record.afterwards.clear();
        settleSwap(folder, record, {});
        throw;
    }
    removeQuietly(staged);  // the earlier folder, under the hidden name after an exchange
    removeQuietly(backup);
    journal.close();
}

void replaceFileSet(const std::string& stagedBase, const std::string& targetBase,
                    const std::vector<std::string>& extensions) {
    const std::string folder = folderOf(targetBase);
    const std::string backupBase = backupPathOf(stagedBase);
    const FolderLock lock(folder);
    SwapRecord record;
    record.target = nameOf(targetBase);
    record.staged = nameOf(stagedBase);
    record.backup = nameOf(backupBase);
    for (const auto& extension : extensions) {
        if (present(stagedBase + extension)) record.newParts.push_back(extension);
        if (present(targetBase + extension)) record.oldParts.push_back(extension);
    }
    SwapJournal journal(folder, record);
    try {
        for (const auto& extension : record.oldParts)
            move(targetBase + extension, backupBase + extension, targetBase + extension);
        for (const auto& extension : record.newParts)
            move(stagedBase + extension, targetBase + extension, targetBase + extension);
        syncFolder(folder);
    } catch (const std::exception&) {  // undone below, then passed on
        settleSwap(folder, record, {});
        throw;
    }
    for (const auto& extension : record.oldParts) removeQuietly(backupBase + extension);
    journal.close();
}

void clearLeftovers(const std::string& folder, const SwapAftercare& aftercare) {
    {
        const FolderLock lock(folder);
        if (lock.held()) settleRecordedSwaps(folder, aftercare);
    }
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
        // An earlier output moved aside by a run of an older Kestrune, which
        // kept no journal: it comes back when its successor never (wholly) arrived.
        bool restore = false;
        for (const Leftover& leftover : leftovers)
            if (leftover.name.backup && !leftover.name.shortened &&
                !present((fs::path(folder) / leftover.name.target).string()))
                restore = true;
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
