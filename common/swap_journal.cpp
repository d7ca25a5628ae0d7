#include "common/swap_journal.hpp"

#include "common/durable_writes.hpp"
#include "common/file_descriptor.hpp"
#include "common/small_file.hpp"
#include "common/temporary_name.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

constexpr const char* kJournalMark = ".kestrune-journal~";
constexpr const char* kFormat = "kestrune swap 1";

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += " " + part;
    return text;
}

// The record as lines of "key value".
std::string recordText(const SwapRecord& r) {
    std::string text = std::string(kFormat) + "\n";
    text += std::string("kind ") + (r.kind == SwapRecord::Kind::Folder ? "folder" : "files") + "\n";
    text += "target " + r.target + "\nstaged " + r.staged + "\nbackup " + r.backup + "\n";
    text += "new" + joined(r.newParts) + "\nold" + joined(r.oldParts) + "\n";
    text += "identity " + r.newIdentity + "\nafterwards " + r.afterwards + "\n";
    return text;
}

std::optional<SwapRecord> parseRecord(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kFormat) return std::nullopt;
    SwapRecord r;
    int fields = 0;
    while (std::getline(lines, line)) {
        const auto space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        ++fields;
        if (key == "kind")
            r.kind = value == "folder" ? SwapRecord::Kind::Folder : SwapRecord::Kind::FileSet;
        else if (key == "target")
            r.target = value;
        else if (key == "staged")
            r.staged = value;
        else if (key == "backup")
            r.backup = value;
        else if (key == "identity")
            r.newIdentity = value;
        else if (key == "afterwards")
            r.afterwards = value;
        else if (key == "new" || key == "old") {
            std::istringstream parts(value);
            for (std::string part; parts >> part;) (key == "new" ? r.newParts : r.oldParts).push_back(part);
        } else {
            --fields;
        }
    }
    // A record cut short (written by a run killed while writing it) names
    // no complete replacement: nothing was moved yet.
    if (fields < 8 || r.target.empty() || r.staged.empty() || r.backup.empty()) return std::nullopt;
    return r;
}

void moveQuietly(const fs::path& from, const fs::path& to) {
    std::error_code ignored;  // what cannot be moved stays for the next run to settle
    fs::rename(from, to, ignored);
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;  // as above
    fs::remove_all(path, ignored);
}

void settleFileSet(const fs::path& folder, const SwapRecord& r, const SwapAftercare& aftercare) {
    const fs::path target = folder / r.target, staged = folder / r.staged, backup = folder / r.backup;
    bool allIn = true;  // every file of the new set has left its hidden name
    for (const std::string& part : r.newParts) allIn = allIn && !present(staged.string() + part);
    if (allIn) {
        for (const std::string& part : r.oldParts) removeQuietly(backup.string() + part);
        if (aftercare && !r.afterwards.empty()) aftercare(r.afterwards);
        return;
    }
    // Undo: the new files that went in go back out, the earlier ones come back.
    for (const std::string& part : r.newParts)
        if (!present(staged.string() + part) && present(target.string() + part))
            moveQuietly(target.string() + part, staged.string() + part);
    for (const std::string& part : r.oldParts)
        if (present(backup.string() + part)) moveQuietly(backup.string() + part, target.string() + part);
    for (const std::string& part : r.newParts) removeQuietly(staged.string() + part);
}

void settleFolder(const fs::path& folder, const SwapRecord& r, const SwapAftercare& aftercare) {
    const fs::path target = folder / r.target, staged = folder / r.staged, backup = folder / r.backup;
    if (!r.newIdentity.empty() && fileIdentity(target.string()) == r.newIdentity) {
        // The new one is in: what is under the hidden names is the earlier one.
        removeQuietly(staged);
        removeQuietly(backup);
        if (aftercare && !r.afterwards.empty()) aftercare(r.afterwards);
        return;
    }
    if (fileIdentity(staged.string()) == r.newIdentity) removeQuietly(staged);
    if (present(backup) && !present(target)) moveQuietly(backup, target);
}

}  // namespace

std::string fileIdentity(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return {};
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

SwapJournal::SwapJournal(const std::string& folder, SwapRecord record) : folder_(folder), record_(std::move(record)) {
    static std::atomic<unsigned> counter{0};
    path_ = (fs::path(folder) / (std::string(kJournalMark) + hostName() + "~" + std::to_string(::getpid()) + "~" +
                                 std::to_string(counter++)))
                .string();
    writeSmallFile(path_, recordText(record_));  // synced, under its name once whole
}

SwapJournal::~SwapJournal() {
    if (!path_.empty()) close();
}

void SwapJournal::close() {
    std::error_code ignored;  // a record left over is settled, harmlessly, by the next run
    fs::remove(path_, ignored);
    path_.clear();
    syncFolder(folder_);
}

void settleSwap(const std::string& folder, const SwapRecord& record, const SwapAftercare& aftercare) {
    if (record.kind == SwapRecord::Kind::Folder)
        settleFolder(folder, record, aftercare);
    else
        settleFileSet(folder, record, aftercare);
}

void settleRecordedSwaps(const std::string& folder, const SwapAftercare& aftercare) {
    std::error_code error;
    std::vector<fs::path> records;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        if (entry->path().filename().string().rfind(kJournalMark, 0) == 0) records.push_back(entry->path());
    for (const fs::path& path : records) {
        try {
            if (const std::optional<std::string> text = readSmallFile(path.string()))
                if (const std::optional<SwapRecord> record = parseRecord(*text)) settleSwap(folder, *record, aftercare);
        } catch (
            const std::exception&) {  // its aftercare failed (INFO tables that cannot be written): try again next run
            continue;
        }
        removeQuietly(path);
    }
    if (!records.empty()) {
        try {
            syncFolder(folder);
        } catch (const std::runtime_error&) {  // settled in the folder; the disk catches up later
        }
    }
}

}  // namespace kestrune
