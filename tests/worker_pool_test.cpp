#include "common/worker_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

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

TEST(OrderedPipeline, ConsumesInOrderWhileProducingAhead) {
    std::vector<std::size_t> consumed;
    orderedPipeline<std::string>(
        50, 4, [](std::size_t i) { return std::to_string(i * i); },
        [&](std::size_t i, std::string&& result) {
            EXPECT_EQ(result, std::to_string(i * i));
            consumed.push_back(i);
        });
    ASSERT_EQ(consumed.size(), 50u);
    for (std::size_t i = 0; i < consumed.size(); ++i) EXPECT_EQ(consumed[i], i);
}

TEST(OrderedPipeline, AFailureComesInItsTurnAndNothingAfterIsConsumed) {
    std::vector<std::size_t> consumed;
    EXPECT_THROW(orderedPipeline<int>(
                     30, 3,
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
