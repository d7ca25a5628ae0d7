#pragma once

#include <string>

namespace kestrune {

// Why writing at `path` failed with the system's error number `error`, in
// words: that the folder or the file system is read-only when that is the
// cause, else the system's text.
std::string writeFailureReason(const std::string& path, int error);

}  // namespace kestrune
