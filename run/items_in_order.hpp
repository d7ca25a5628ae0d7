#pragma once

#include "run/run_context.hpp"

#include "common/progress.hpp"
#include "common/stop_request.hpp"
#include "common/worker_pool.hpp"

#include <deque>
#include <exception>
#include <functional>
#include <string>

namespace kestrune {

// The items of one step (files, the slope or contours of a GRID), worked on
// several at once on the pool and put in place in order on the run's thread.
// The status line shows an item's text (statusText(i); none when empty)
// once its work has begun and the run waits for it, and the item's progress
// meanwhile; then
// putInPlace(i, what prepare(i) gave) does what the step does in its turn.
// prepare runs under the item's ProgressScope. A stop request begins no
// further item. Returns how many items were put in place or told in turn;
// the others were not begun or were cut short.
template <class Prepare, class PutInPlace>
std::size_t runItemsInOrder(RunContext& run, std::size_t count, PipelineControl control,
                            const std::function<std::string(std::size_t)>& statusText, Prepare&& prepare,
                            PutInPlace&& putInPlace) {
    std::deque<ProgressMeter> meters(count);
    std::size_t shown = count;  // the item the status line names
    auto show = [&](std::size_t i) {
        if (shown == i) return true;
        std::string text = statusText(i);
        if (text.empty()) return false;
        shown = i;
        run.setStatusLine(std::move(text));
        return true;
    };
    control.waitingFor = [&](std::size_t i) {
        if (show(i)) run.setProgress(meters[i].fraction());
    };
    auto work = [&](std::size_t i) {
        ProgressScope progress(meters[i]);
        return prepare(i);
    };
    std::size_t consumed = 0;
    auto consume = [&](std::size_t i, auto&& prepared) {
        if (show(i)) run.setProgress(meters[i].fraction());  // 1 unless its work was cut short
        ++consumed;
        putInPlace(i, std::move(prepared));
    };
    try {
        orderedPipeline(count, control, work, consume);
    } catch (const WorkStopped&) {  // an item whose work never began: the stop ends the step
    }
    return consumed;
}

// The status line of an item kept as up to date: "Up to date : ..." for
// "Running : ...".
inline std::string upToDateText(const std::string& runningText) {
    const std::string running = "Running : ";
    return "Up to date : " + (runningText.rfind(running, 0) == 0 ? runningText.substr(running.size()) : runningText);
}

// True when `failure` is a stop, not a failure to tell.
inline bool isStop(const std::exception_ptr& failure) {
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const WorkStopped&) {
        return true;
    } catch (...) {  // any other failure is the caller's to tell
    }
    return false;
}

}  // namespace kestrune
