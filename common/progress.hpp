#pragma once

#include <atomic>
#include <cstdint>

namespace kestrune {

// How far the work of one item of a run (a file, a GRID) has come, from 0 to
// 1, never going back: written by the thread doing the item's work, read by
// the run's thread, which shows it.
class ProgressMeter {
public:
    double fraction() const { return fraction_.load(std::memory_order_relaxed); }
    void advanceTo(double fraction);

private:
    std::atomic<double> fraction_{0};
};

// While it lives, the work on this thread counts for `meter`: the
// ProgressStages and ProgressCounters made on this thread report to it.
// Work on other threads (the bands of a file) reports through the thread
// that waits for it.
class ProgressScope {
public:
    explicit ProgressScope(ProgressMeter& meter);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    struct Saved {
        ProgressMeter* meter;
        double from, to;
    } saved_;
};

// A stage of an item's work, the share [from, to) of the stage it is part of
// (the whole item at first): the counters made within it count its share.
// Done when it goes.
class ProgressStage {
public:
    ProgressStage(double from, double to);
    ~ProgressStage();
    ProgressStage(const ProgressStage&) = delete;
    ProgressStage& operator=(const ProgressStage&) = delete;

private:
    double from_, to_;    // of the enclosing stage, in the item's fractions
    int failuresBefore_;  // a stage left by a failure is not done
};

// Counts the `total` units of the innermost stage on this thread (rows,
// bands, bytes), and checks for a stop request at every count: long work
// counts at least every few milliseconds, and so stops within a fraction of
// a second (it throws WorkStopped).
class ProgressCounter {
public:
    explicit ProgressCounter(std::uint64_t total);
    void add(std::uint64_t units = 1);

private:
    std::uint64_t total_, done_ = 0;
    double from_, to_;
};

}  // namespace kestrune
