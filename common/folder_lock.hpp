#pragma once

#include "common/file_descriptor.hpp"

#include <string>

namespace kestrune {

// Holds a folder's lock, on its hidden file .kestrune~lock, for as long as
// it lives: the replacements of outputs in the folder, and the completing of
// those that killed runs left half done, take turns, across the threads and
// processes of every machine that shares the folder (the file system must
// keep flock's locks, as local disks, NFSv4 and Lustre or BeeGFS mounted
// with flock do). A folder that may not be written gets no lock: nothing is
// replaced in it either (held() is then false).
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    bool held() const { return static_cast<bool>(lock_); }

private:
    FileDescriptor lock_;
};

}  // namespace kestrune
