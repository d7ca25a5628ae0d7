#include "common/progress.hpp"

#include "common/stop_request.hpp"

#include <algorithm>
#include <exception>

namespace kestrune {
namespace {

// What the work on this thread counts for: a meter and the share of it the
// innermost stage covers.
struct Current {
    ProgressMeter* meter = nullptr;
    double from = 0, to = 1;
};
thread_local Current current;

}  // namespace

void ProgressMeter::advanceTo(double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    double shown = fraction_.load(std::memory_order_relaxed);
    while (shown < fraction && !fraction_.compare_exchange_weak(shown, fraction, std::memory_order_relaxed)) {
    }
}

ProgressScope::ProgressScope(ProgressMeter& meter) : saved_{current.meter, current.from, current.to} {
    current = Current{&meter, 0, 1};
}

ProgressScope::~ProgressScope() { current = Current{saved_.meter, saved_.from, saved_.to}; }

ProgressStage::ProgressStage(double from, double to)
    : from_(current.from), to_(current.to), failuresBefore_(std::uncaught_exceptions()) {
    const double span = to_ - from_;
    current.from = from_ + span * from;
    current.to = from_ + span * to;
}

ProgressStage::~ProgressStage() {
    if (current.meter && std::uncaught_exceptions() == failuresBefore_) current.meter->advanceTo(current.to);
    current.from = from_;
    current.to = to_;
}

ProgressCounter::ProgressCounter(std::uint64_t total)
    : total_(std::max<std::uint64_t>(total, 1)), from_(current.from), to_(current.to) {}

void ProgressCounter::add(std::uint64_t units) {
    stopIfRequested();
    done_ = std::min(total_, done_ + units);
    if (current.meter)
        current.meter->advanceTo(from_ + (to_ - from_) * static_cast<double>(done_) / static_cast<double>(total_));
}

}  // namespace kestrune
