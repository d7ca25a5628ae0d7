#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrune {

// Writes one buffer at a time on a thread of its own, so that its owner
// fills the next buffer meanwhile: a write straight to the disk takes the
// disk's time, not the processor's. The thread starts with the first
// buffer handed over.
class BackgroundWriter {
public:
    // Writes `size` bytes at `data` to `offset`; runs on the writer's thread
    // and throws what it cannot write.
    using WriteOut = std::function<void(const char* data, std::size_t size, std::uint64_t offset)>;

    explicit BackgroundWriter(WriteOut writeOut) : writeOut_(std::move(writeOut)) {}
    ~BackgroundWriter();  // waits for the buffer in hand
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands a buffer over once the one before is written, which the caller
    // may then reuse; throws the failure of any buffer before.
    void hand(const char* data, std::size_t size, std::uint64_t offset);
    // Returns once the buffer in hand is written; throws any failure.
    void wait();

private:
    struct Job {
        const char* data;
        std::size_t size;
        std::uint64_t offset;
    };
    void run();
    void waitIdle(std::unique_lock<std::mutex>& lock);

    WriteOut writeOut_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> job_;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace kestrune
