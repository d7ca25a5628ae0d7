#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace kestrune {

// The one pool of worker threads of the process. Its size is the number of
// threads that work at once: that many workers, while the thread that waits
// for their work (the run's) only waits, and takes what is done at once. A
// pool of size 1 has no worker threads and does everything on the caller.
// A task that waits for tasks it queued runs them meanwhile, and the tasks
// those queued in turn; never an unrelated task, which could keep it from
// what it waits for long after that is done. So tasks may wait for tasks of
// their own without ever blocking the pool.
class WorkerPool {
public:
    // A set of tasks that can be waited for together.
    class Group {
    public:
        Group() = default;
        Group(const Group&) = delete;
        Group& operator=(const Group&) = delete;
        // The failure of the task with the lowest order among those that
        // failed, or none.
        std::exception_ptr failure() const { return failure_; }

    private:
        friend class WorkerPool;
        std::size_t pending_ = 0;
        std::size_t failedOrder_ = 0;
        std::exception_ptr failure_;
        // The group of the task that queued this group's first task, if one did.
        const Group* parent_ = nullptr;
    };

    // The pool, started on first use with the size configure() gave, else
    // KESTRUNE_NUM_THREADS, else the machine's hardware threads.
    static WorkerPool& instance();
    // Sets the size of the pool before its first use; 0 leaves the default.
    // Throws std::logic_error when the pool has started already with another size.
    static void configure(unsigned threads);
    // The size a pool would have without configure(): KESTRUNE_NUM_THREADS
    // when it holds a whole number from 1 to 1024, else the hardware threads.
    static unsigned defaultSize();

    explicit WorkerPool(unsigned size);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned size() const { return size_; }

    // Queues `task` in `group`; `order` ranks its failure among the group's.
    void submit(Group& group, std::function<void()> task, std::size_t order = 0);
    // Returns when every task of the group has run, running its queued tasks
    // (and theirs) meanwhile. Does not throw: see Group::failure().
    void wait(Group& group);
    // The same, for at most about `patience`: true when the group is done.
    bool waitFor(Group& group, std::chrono::milliseconds patience);

private:
    struct Task {
        Group* group;
        std::size_t order;
        std::function<void()> run;
    };
    void workerLoop();
    void runTask(Task& task);
    bool popTask(const Group* within, Task& task, const Group* alsoWithin = nullptr);
    // True when `group` is `within`, or a group queued by a task of it (or of theirs).
    static bool isWithin(const Group* group, const Group* within);

    unsigned size_;
    std::mutex mutex_;
    std::condition_variable taskQueued_;
    std::condition_variable groupDone_;
    std::deque<Task> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// A thread count as the user types it (--threads, KESTRUNE_NUM_THREADS): a
// whole number from 1 to 1024, or none.
std::optional<unsigned> parseThreadCount(const std::string& text);

// Runs body(i) for every i in [0, count) on the pool, the caller included,
// and returns when all have run; rethrows the failure of the lowest i.
template <class Body>
void parallelFor(std::size_t count, Body&& body) {
    if (count == 0) return;
    WorkerPool& pool = WorkerPool::instance();
    if (count == 1 || pool.size() == 1) {
        for (std::size_t i = 0; i < count; ++i) body(i);
        return;
    }
    WorkerPool::Group group;
    for (std::size_t i = 0; i < count; ++i)
        pool.submit(
            group, [&body, i] { body(i); }, i);
    pool.wait(group);
    if (group.failure()) std::rethrow_exception(group.failure());
}

// How an ordered pipeline starts its work.
struct PipelineControl {
    std::size_t ahead = 1;  // indexes started beyond the one being consumed, at most
    // The memory an index takes while it is produced; the sum over those in
    // flight stays within `memoryBudget` (one is always let through).
    std::function<std::uint64_t(std::size_t)> memoryCost;
    std::uint64_t memoryBudget = UINT64_MAX;
    // Asked before each start: true ends the starting; what was started is
    // still consumed.
    std::function<bool()> stopStarting;
    // Called on the consuming thread when it begins to wait for index i, and
    // again every tenth of a second while it waits: to show what is at work.
    std::function<void(std::size_t)> waitingFor;
};

// Computes produce(i) for i in [0, count) on the pool and hands each result
// to consume(i, result&&) on the calling thread in order of i. A failure of
// produce(i) is thrown when i's turn comes; a failure stops the production
// of later indexes that have not started, and nothing is consumed after it.
// Returns how many indexes were consumed (fewer than count when stopped).
template <class Produce, class Consume>
std::size_t orderedPipeline(std::size_t count, const PipelineControl& control, Produce&& produce, Consume&& consume);

// ---- implementation of the templates ----

namespace detail {

// The tasks of an ordered pipeline in flight; waits for them all when it
// goes, so no task outlives the results it writes.
template <class Result>
class PipelineSlots {
public:
    struct Slot {
        WorkerPool::Group group;
        std::optional<Result> result;
    };
    explicit PipelineSlots(WorkerPool& pool) : pool_(pool) {}
    ~PipelineSlots() {
        *stopped_ = true;
        for (auto& slot : slots_) pool_.wait(slot->group);
    }
    PipelineSlots(const PipelineSlots&) = delete;
    PipelineSlots& operator=(const PipelineSlots&) = delete;

    template <class Produce>
    void start(std::size_t index, Produce& produce) {
        slots_.push_back(std::make_unique<Slot>());
        Slot* slot = slots_.back().get();
        std::shared_ptr<std::atomic<bool>> stopped = stopped_;
        pool_.submit(slot->group, [slot, index, &produce, stopped] {
            if (!*stopped) slot->result.emplace(produce(index));
        });
    }
    // The oldest result, index `index`, once its task has run; throws its failure.
    Result takeOldest(std::size_t index, const std::function<void(std::size_t)>& waitingFor) {
        Slot& slot = *slots_.front();
        if (!waitingFor) pool_.wait(slot.group);
        for (bool done = !waitingFor; !done;) {
            waitingFor(index);
            done = pool_.waitFor(slot.group, std::chrono::milliseconds(100));
        }
        if (slot.group.failure()) {
            *stopped_ = true;
            std::rethrow_exception(slot.group.failure());
        }
        Result result = std::move(*slot.result);
        slots_.pop_front();
        return result;
    }

private:
    WorkerPool& pool_;
    std::shared_ptr<std::atomic<bool>> stopped_ = std::make_shared<std::atomic<bool>>(false);
    std::deque<std::unique_ptr<Slot>> slots_;
};

}  // namespace detail

template <class Produce, class Consume>
std::size_t orderedPipeline(std::size_t count, const PipelineControl& control, Produce&& produce, Consume&& consume) {
    using Result = std::decay_t<std::invoke_result_t<Produce&, std::size_t>>;
    detail::PipelineSlots<Result> running(WorkerPool::instance());
    const std::size_t window = control.ahead < 1 ? 1 : control.ahead;
    std::size_t started = 0, consumed = 0;
    std::uint64_t inFlight = 0;
    std::vector<std::uint64_t> costs(count, 0);
    bool stopped = false;
    // Starts what the window, the budget and the stop request allow.
    auto startMore = [&] {
        while (!stopped && started < count && started - consumed < window) {
            if (control.stopStarting && control.stopStarting()) {
                stopped = true;
                break;
            }
            costs[started] = control.memoryCost ? control.memoryCost(started) : 0;
            if (started > consumed && inFlight + costs[started] > control.memoryBudget) break;
            inFlight += costs[started];
            running.start(started++, produce);
        }
    };
    startMore();
    while (consumed < started) {
        Result result = running.takeOldest(consumed, control.waitingFor);
        inFlight -= costs[consumed];
        const std::size_t index = consumed++;
        startMore();
        consume(index, std::move(result));
        startMore();
    }
    return consumed;
}

}  // namespace kestrune
