#include "common/stop_request.hpp"

#include <atomic>

namespace kestrune {
namespace {

std::atomic<bool> stopWanted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

}  // namespace

void requestStop() noexcept { stopWanted.store(true, std::memory_order_relaxed); }

bool stopRequested() noexcept { return stopWanted.load(std::memory_order_relaxed); }

void withdrawStopRequest() noexcept { stopWanted.store(false, std::memory_order_relaxed); }

void stopIfRequested() {
    if (stopRequested()) throw WorkStopped();
}

}  // namespace kestrune
