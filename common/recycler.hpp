#pragma once

#include <mutex>
#include <utility>
#include <vector>

namespace kestrune {

// Things handed from one piece of work to the next (buffers, whose room is
// what counts), so that a long run of bands does not keep asking the system
// for fresh memory: take() gives one given back before, or a new one.
// Any thread may take and give.
template <class T>
class Recycler {
public:
    T take() {
        std::lock_guard<std::mutex> guard(mutex_);
        if (free_.empty()) return T();
        T thing = std::move(free_.back());
        free_.pop_back();
        return thing;
    }
    void give(T thing) {
        std::lock_guard<std::mutex> guard(mutex_);
        free_.push_back(std::move(thing));
    }

private:
    std::mutex mutex_;
    std::vector<T> free_;
};

}  // namespace kestrune
