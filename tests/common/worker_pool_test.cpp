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

// A task waiting for a group never takes an unrelated task meanwhile: it
// could be held there long after what it waits for is done (a file's
// outputs would wait for the next file's work). Here a task waits for a
// task of its own that the other worker runs; that one waits a while for an
// unrelated task, which must not start meanwhile: both workers are busy,
// and the run's thread only waits.
TEST(WorkerPool, AWaiterTakesNoTaskOfAnotherGroup) {
    WorkerPool pool(2);
    WorkerPool::Group outer, other;
    Signal ownStarted, otherRan;
    std::atomic<bool> otherRanMeanwhile{false};
    pool.submit(outer, [&] {
        WorkerPool::Group own;
        pool.submit(own, [&] {
            ownStarted.raise();
            otherRanMeanwhile = otherRan.await(std::chrono::milliseconds(300));
        });
        ownStarted.await(std::chrono::seconds(10));  // on the other worker
        pool.wait(own);
    });
    ASSERT_TRUE(ownStarted.await(std::chrono::seconds(10)));
    pool.submit(other, [&] { otherRan.raise(); });
    pool.wait(outer);
    pool.wait(other);
    EXPECT_FALSE(otherRanMeanwhile);
}

// But it runs the tasks it queued itself when no other thread is free: a
// file's bands while the other worker is busy.
TEST(WorkerPool, AWaiterRunsTheTasksItQueued) {
    WorkerPool pool(2);
    WorkerPool::Group busy, file;
    Signal busyStarted, bandRan;
    std::thread::id fileThread;
    pool.submit(busy, [&] {
        busyStarted.raise();
        bandRan.await(std::chrono::seconds(10));
    });
    ASSERT_TRUE(busyStarted.await(std::chrono::seconds(10)));
    pool.submit(file, [&] {
        fileThread = std::this_thread::get_id();
        WorkerPool::Group bands;
        pool.submit(bands, [&] { bandRan.raise(); });
        pool.wait(bands);
    });
    pool.wait(file);
    pool.wait(busy);
    EXPECT_EQ(bandRan.raisedOn(), fileThread);
}

// And, while the task it waits for runs elsewhere, with other work it
// queued itself: a file's next bands while the other worker traces the one
// whose lines it must write next. Here the other worker's task can only end
// once the waiter has run its sibling.
TEST(WorkerPool, AWaiterRunsItsOtherTasksWhileItsTaskRunsElsewhere) {
    WorkerPool pool(2);
    WorkerPool::Group file;
    Signal oldestStarted, nextRan;
    std::atomic<bool> oldestSawNext{false};
    std::thread::id fileThread;
    pool.submit(file, [&] {
        fileThread = std::this_thread::get_id();
        WorkerPool::Group oldest, next;
        pool.submit(oldest, [&] {
            oldestStarted.raise();
            oldestSawNext = nextRan.await(std::chrono::seconds(10));
        });
        oldestStarted.await(std::chrono::seconds(10));  // on the other worker
        pool.submit(next, [&] { nextRan.raise(); });
        pool.wait(oldest);
        pool.wait(next);
    });
    pool.wait(file);
    EXPECT_TRUE(oldestSawNext);
    EXPECT_EQ(nextRan.raisedOn(), fileThread);
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
