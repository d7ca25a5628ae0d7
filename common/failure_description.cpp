#include "common/failure_description.hpp"

#include <new>

namespace kestrune {

std::string describeFailure(const std::exception& failure) {
    if (dynamic_cast<const std::bad_alloc*>(&failure)) return "not enough memory";
    return failure.what();
}

std::string describeUnknownFailure() { return "an unknown failure"; }

}  // namespace kestrune
