#include "common/worker_pool.hpp"

#include "common/stop_request.hpp"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kestrune {
namespace {

std::mutex& configurationMutex() {
    static std::mutex mutex;
    return mutex;
}

unsigned& configuredSize() {
    static unsigned size = 0;
    return size;
}

bool& poolStarted() {
    static bool started = false;
    return started;
}

// The group of the task this thread runs, if it runs one.
thread_local const WorkerPool::Group* groupAtWork = nullptr;

}  // namespace

std::optional<unsigned> parseThreadCount(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < 1 || value > 1024) return std::nullopt;
    return static_cast<unsigned>(value);
}

unsigned WorkerPool::defaultSize() {
    if (const char* text = std::getenv("KESTRUNE_NUM_THREADS"))
        if (auto threads = parseThreadCount(text)) return *threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

void WorkerPool::configure(unsigned threads) {
    std::lock_guard<std::mutex> guard(configurationMutex());
    if (threads == 0) return;
    if (poolStarted() && threads != instance().size())
        throw std::logic_error("the worker pool has started already with " + std::to_string(instance().size()) +
                               " threads");
    configuredSize() = threads;
}

WorkerPool& WorkerPool::instance() {
    static WorkerPool pool([] {
        std::lock_guard<std::mutex> guard(configurationMutex());
        poolStarted() = true;
        return configuredSize() ? configuredSize() : defaultSize();
    }());
    return pool;
}

WorkerPool::WorkerPool(unsigned size) : size_(std::max(1u, size)) {
    if (size_ == 1) return;  // the waiting thread does everything
    for (unsigned i = 0; i < size_; ++i) workers_.emplace_back([this] { workerLoop(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    taskQueued_.notify_all();
    for (auto& worker : workers_) worker.join();
}

void WorkerPool::submit(Group& group, std::function<void()> task, std::size_t order) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++group.pending_;
        group.parent_ = groupAtWork;
        queue_.push_back(Task{&group, order, std::move(task)});
    }
    taskQueued_.notify_one();
    groupDone_.notify_all();  // a thread waiting for the group above may take it
}

bool WorkerPool::isWithin(const Group* group, const Group* within) {
    for (; group; group = group->parent_)
        if (group == within) return true;
    return false;
}

// The first queued task, or with `within` the first of that group or below
// it, or below `alsoWithin` when given.
bool WorkerPool::popTask(const Group* within, Task& task, const Group* alsoWithin) {
    auto found = queue_.begin();
    if (within)
        found = std::find_if(queue_.begin(), queue_.end(), [within, alsoWithin](const Task& t) {
            return isWithin(t.group, within) || (alsoWithin && isWithin(t.group, alsoWithin));
        });
    if (found == queue_.end()) return false;
    task = std::move(*found);
    queue_.erase(found);
    return true;
}

void WorkerPool::runTask(Task& task) {
    std::exception_ptr failure;
    const Group* outer = groupAtWork;
    groupAtWork = task.group;
    try {
        stopIfRequested();  // queued work does not begin once a stop is asked for
        task.run();
    } catch (...) {  // handed to the waiter, who rethrows it
        failure = std::current_exception();
    }
    groupAtWork = outer;
    task.run = nullptr;  // the task's captures go before the group may be gone
    {
        std::lock_guard<std::mutex> guard(mutex_);
        Group& group = *task.group;
        if (failure && (!group.failure_ || task.order < group.failedOrder_)) {
            group.failure_ = failure;
            group.failedOrder_ = task.order;
        }
        --group.pending_;
    }
    groupDone_.notify_all();
}

void WorkerPool::workerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        taskQueued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, and nothing left to do
        Task task;
        popTask(nullptr, task);
        lock.unlock();
        runTask(task);
        lock.lock();
    }
}

void WorkerPool::wait(Group& group) {
    while (!waitFor(group, std::chrono::hours(1))) {
    }
}

bool WorkerPool::waitFor(Group& group, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    // A task waiting for tasks it queued must help with them (all workers
    // may be waiting so), and meanwhile with any other work of its own (the
    // next bands of its file while the one it waits for is traced
    // elsewhere); never with another's. A thread outside the pool only
    // waits, unless the pool has no workers of its own.
    const bool helps = groupAtWork != nullptr || workers_.empty();
    const Group* own = groupAtWork;
    std::unique_lock<std::mutex> lock(mutex_);
    while (group.pending_ > 0) {
        Task task;
        if (helps && popTask(&group, task, own)) {
            lock.unlock();
            runTask(task);
            lock.lock();
            continue;
        }
        if (groupDone_.wait_until(lock, deadline) == std::cv_status::timeout) return group.pending_ == 0;
    }
    return true;
}

}  // namespace kestrune
