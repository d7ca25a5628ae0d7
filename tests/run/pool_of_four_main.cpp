// Runs the tests of its binary on a worker pool of four threads, more than
// the machines that run them have cores, so that work finishes out of order.
#include "common/worker_pool.hpp"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    kestrune::WorkerPool::configure(4);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
