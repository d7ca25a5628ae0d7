#pragma once

#include <exception>
#include <string>

namespace kestrune {

// What the user is told of a failure: the exception's own text, which the
// code that threw made to name the file and the reason, or "not enough
// memory" for an allocation that failed.
std::string describeFailure(const std::exception& failure);

// The same for a failure that is no std::exception: "an unknown failure".
// Only the outermost handlers (the run sequence's last resort, the mains)
// meet one.
std::string describeUnknownFailure();

}  // namespace kestrune
