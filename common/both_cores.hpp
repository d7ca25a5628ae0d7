#pragma once

#include <exception>
#include <thread>

namespace kestrune {

// Runs `first` on this thread and `second` on another, and returns when
// both are done. A failure of either is thrown here, the first one's first,
// so no exception is lost with the helper thread.
template <class First, class Second>
void onBothCores(First&& first, Second&& second) {
    std::exception_ptr secondFailure;
    std::thread helper([&] {
        try {
            second();
        } catch (...) {
            secondFailure = std::current_exception();
        }
    });
    try {
        first();
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (secondFailure) std::rethrow_exception(secondFailure);
}

}  // namespace kestrune
