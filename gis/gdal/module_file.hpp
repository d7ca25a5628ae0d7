#pragma once

#include <string>

namespace kestrune {

// Why the file at `path` cannot be a shared object of this machine's kind
// that the loader could map whole ("it is not an ELF shared object", "it is
// cut short: it needs 14.2 MB, the file holds 7.1 MB"), or empty
// when it can. Mapping a cut-short object would end the process at its
// first touch of the missing part.
std::string sharedObjectProblem(const std::string& path);

}  // namespace kestrune
