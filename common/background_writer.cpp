#include "common/background_writer.hpp"

namespace kestrune {

BackgroundWriter::~BackgroundWriter() {
    if (!thread_.joinable()) return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !job_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundWriter::waitIdle(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !job_; });
    if (failure_) std::rethrow_exception(failure_);
}

void BackgroundWriter::hand(const char* data, std::size_t size, std::uint64_t offset) {
    {
        std::unique_lock lock(mutex_);
        waitIdle(lock);
        job_ = Job{data, size, offset};
    }
    changed_.notify_all();
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void BackgroundWriter::wait() {
    std::unique_lock lock(mutex_);
    waitIdle(lock);
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return job_ || stopping_; });
        if (!job_) return;
        const Job job = *job_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            writeOut_(job.data, job.size, job.offset);
        } catch (...) {  // handed to the owner, who throws it on
            failure = std::current_exception();
        }
        lock.lock();
        if (failure && !failure_) failure_ = failure;
        job_.reset();
        changed_.notify_all();
    }
}

}  // namespace kestrune
