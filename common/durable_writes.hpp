#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// Outputs reach the disk before they take their names, and the names they
// take reach it after: after a power cut a target holds either its earlier
// output or its new one, never an empty file. On by default; --no-sync
// turns it off for scratch work, where speed counts more.
void setDurableWrites(bool durable);
bool durableWrites();

// Starts the disk writing bytes [offset, offset + length) of an open file
// now, without waiting, so that the sync at its end finds little left.
void startWriteBack(int descriptor, std::uint64_t offset, std::uint64_t length);

// Waits until the file's data is on the disk; the error number, or 0.
int syncFileData(int descriptor);

// Waits until the names in `folder` (a rename into it) are on the disk.
// Throws std::runtime_error naming the folder.
void syncFolder(const std::string& folder);

}  // namespace kestrune
