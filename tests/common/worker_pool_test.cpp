#include "common/worker_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestrune {
namespace {

TEST(ParallelFor, RunsEveryIndexOnceAndRethrowsTheLowestFailure) {
    std::vector<std::atomic<int>> runs(1000);
    parallelFor(runs.size(), [&](std::size_t i) { ++runs[i]; });
    for (auto& count : runs) EXPECT_EQ(count.load(), 1);
    try {
        parallelFor(100, [](std::size_t i) {
            if (i % 30 == 7) throw std::runtime_error("failed at " + std::to_string(i));
        });
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "failed at 7");
    }
}

// Tasks that wait for tasks of their own help instead of blocking the pool.
TEST(ParallelFor, NestedLoopsFinish) {
    std::atomic<int> total{0};
    parallelFor(
        8, [&](std::size_t) { parallelFor(8, [&](std::size_t) { parallelFor(4, [&](std::size_t) { ++total; }); }); });
    EXPECT_EQ(total.load(), 8 * 8 * 4);
}

// Flags one task sets and another waits for, at most a while.
class Signal {
public:
    void raise() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            raised_ = true;
            thread_ = std::this_thread::get_id();
        }
        raisedAlready_.notify_all();
    }
    // True when raised within `patience`.
    bool await(std::chrono::milliseconds patience) {
        std::unique_lock<std::mutex> lock(mutex_);
        return raisedAlready_.wait_for(lock, patience, [this] { return raised_; });
    }
    std::thread::id raisedOn() {
        std::lock_guard<std::mutex> guard(mutex_);
        return thread_;
    }

private:
    std::mutex mutex_;
    std::condition_variable raisedAlready_;
    bool raised_ = false;
    std::thread::id thread_;
};

// A thread waiting for a group never takes an unrelated task meanwhile: it
// could be held there long after what it waits for is done (a file's
// outputs would wait for the next file's work). Here the worker runs the
// group's one task, which waits a while for the other group's task: that
// one must not start on the waiting thread.
TEST(WorkerPool, AWaiterTakesNoTaskOfAnotherGroup) {
    WorkerPool pool(2);
    WorkerPool::Group mine, other;
    Signal mineStarted, otherRan;
    pool.submit(mine, [&] {
        mineStarted.raise();
        otherRan.await(std::chrono::milliseconds(300));
    });
    ASSERT_TRUE(mineStarted.await(std::chrono::seconds(10)));
    pool.submit(other, [&] { otherRan.raise(); });
    pool.wait(mine);
    pool.wait(other);
    EXPECT_NE(otherRan.raisedOn(), std::this_thread::get_id());
}

// But it helps with the tasks that its group's tasks queued: a file's bands.
TEST(WorkerPool, AWaiterHelpsWithTasksItsGroupQueued) {
    WorkerPool pool(2);
    WorkerPool::Group file;
    Signal fileStarted, bandRan;
    pool.submit(file, [&] {
        WorkerPool::Group bands;
        pool.submit(bands, [&] { bandRan.raise(); });
        fileStarted.raise();
        bandRan.await(std::chrono::seconds(10));  // the waiter takes it meanwhile
        pool.wait(bands);
    });
    fileStarted.await(std::chrono::seconds(10));
    pool.wait(file);
    EXPECT_EQ(bandRan.raisedOn(), std::this_thread::get_id());
}

TEST(OrderedPipeline, ConsumesInOrderWhileProducingAhead) {
    std::vector<std::size_t> consumed;
    PipelineControl control;
    control.ahead = 4;
    orderedPipeline(
        50, control, [](std::size_t i) { return std::to_string(i * i); },
        [&](std::size_t i, std::string&& result) {
            EXPECT_EQ(result, std::to_string(i * i));
            consumed.push_back(i);
        });
    ASSERT_EQ(consumed.size(), 50u);
    for (std::size_t i = 0; i < consumed.size(); ++i) EXPECT_EQ(consumed[i], i);
}

TEST(OrderedPipeline, AFailureComesInItsTurnAndNothingAfterIsConsumed) {
    std::vector<std::size_t> consumed;
    PipelineControl control;
    control.ahead = 3;
    EXPECT_THROW(orderedPipeline(
                     30, control,
                     [](std::size_t i) -> int {
                         if (i == 10) throw std::runtime_error("band 10");
                         return static_cast<int>(i);
                     },
                     [&](std::size_t i, int&&) { consumed.push_back(i); }),
                 std::runtime_error);
    ASSERT_EQ(consumed.size(), 10u);
    EXPECT_EQ(consumed.back(), 9u);
}

}  // namespace
}  // namespace kestrune
