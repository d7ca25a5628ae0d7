#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// The replacement of an output that takes more than one rename (the files of
// a shapefile; a GRID's folder where the file system cannot exchange two
// names in one step, or a GRID with its INFO entries), written down before
// it begins, as SQLite and git keep a journal: a run killed in the middle
// leaves the record, and the next run into the folder completes the
// replacement or undoes it, so that a reader only ever finds the whole
// earlier output or the whole new one.
struct SwapRecord {
    enum class Kind { FileSet, Folder };
    Kind kind = Kind::FileSet;
    std::string target;  // its name in the folder (a set's base name)
    std::string staged;  // the hidden name of the new output (a set's base)
    std::string backup;  // the hidden name the earlier output moves to
    // A set's extensions (".shp") present in the new and in the earlier set.
    std::vector<std::string> newParts, oldParts;
    // A folder: the identity of the new folder (device and inode), by which a
    // completer tells it from the earlier one whatever their names.
    std::string newIdentity;
    // What the swap's owner does once the new output is in (the INFO tables
    // of a GRID), for a completer to do in its place.
    std::string afterwards;
};

// The identity of an existing file or folder ("device:inode"), or empty.
std::string fileIdentity(const std::string& path);

// A record written into `folder` (synced) while a replacement runs there,
// removed by close() once it is done. The caller holds the folder's lock.
class SwapJournal {
public:
    // Throws std::runtime_error naming the folder.
    SwapJournal(const std::string& folder, SwapRecord record);
    ~SwapJournal();
    SwapJournal(const SwapJournal&) = delete;
    SwapJournal& operator=(const SwapJournal&) = delete;

    const SwapRecord& record() const { return record_; }
    // The replacement is done: the record goes.
    void close();

private:
    std::string folder_;
    std::string path_;
    SwapRecord record_;
};

// What a completer does for the `afterwards` of a replacement it completed.
using SwapAftercare = std::function<void(const std::string& afterwards)>;

// Completes the replacement `record` of `folder` when its new output is
// wholly in place (removing what is left of the earlier one, then calling
// `aftercare`), else undoes it (the earlier output back under its name, the
// new one gone). What cannot be moved stays for the next try.
void settleSwap(const std::string& folder, const SwapRecord& record, const SwapAftercare& aftercare);

// Settles every replacement recorded in `folder` (whose owners are gone:
// the caller holds the folder's lock) and removes the records. Never
// throws for a record; a folder that cannot be read is left as it is.
void settleRecordedSwaps(const std::string& folder, const SwapAftercare& aftercare);

}  // namespace kestrune
