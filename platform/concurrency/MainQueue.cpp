#include "platform/concurrency/MainQueue.h"

#include <algorithm>

#include "platform/concurrency/Task.h"

namespace platform {

namespace {
// How long one wait for the io_context lasts before the loops look at their condition again, so
// that what other threads change is seen promptly.
constexpr std::chrono::milliseconds kSlice{5};
}  // namespace

MainQueue& MainQueue::shared() {
    static MainQueue queue;
    return queue;
}

MainQueue::MainQueue() : liveTasks_(detail::liveTaskCounter(context_.get_executor())) {
    keepAlive_.emplace(context_.get_executor());
}

MainQueue::~MainQueue() {
    keepAlive_.reset();
    context_.stop();
}

void MainQueue::restartIfStopped() {
    if (context_.stopped()) context_.restart();
}

std::size_t MainQueue::drain() {
    restartIfStopped();
    std::size_t count = 0;
    while (context_.poll_one() > 0) ++count;
    return count;
}

bool MainQueue::onlyPersonWaitsLive() const { return liveTasks_->count.load() <= personWaits_; }

bool MainQueue::isIdle() {
    if (!onlyPersonWaitsLive()) return false;
    // Without the keep-alive, an io_context that has no handler, timer or operation left counts
    // no work and stops itself at the poll; anything else still holds it up. The keep-alive comes
    // back however the poll ends, a handler's exception included.
    struct KeepAliveAgain {
        MainQueue& queue;
        ~KeepAliveAgain() {
            queue.keepAlive_.emplace(queue.context_.get_executor());
            queue.restartIfStopped();
        }
    } again{*this};
    keepAlive_.reset();
    const std::size_t ran = context_.poll();
    if (ran != 0 || !onlyPersonWaitsLive()) return false;
    // A task parked on a person's answer holds its wait as work of the io_context, so the poll
    // cannot run dry while one does; every other wait then belongs to a live task, which the
    // count has already ruled out.
    return context_.stopped() || personWaits_ > 0;
}

bool MainQueue::runUntilIdle(std::chrono::milliseconds limit) {
    restartIfStopped();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        while (context_.poll_one() > 0) {
        }
        if (context_.stopped()) return false;  // stop() was called
        if (isIdle()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        context_.run_one_for(std::min<std::chrono::steady_clock::duration>(deadline - now, kSlice));
    }
}

bool MainQueue::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    restartIfStopped();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        context_.run_one_for(std::min<std::chrono::steady_clock::duration>(deadline - now, kSlice));
        if (context_.stopped()) return pred();
    }
    return true;
}

void MainQueue::run() {
    restartIfStopped();
    context_.run();
}

bool MainQueue::endTasks(std::chrono::milliseconds limit) {
    return runUntil(
        [this] {
            if (liveTasks_->count.load() == 0) return true;
            liveTasks_->cancelAll();
            return false;
        },
        limit);
}

void MainQueue::stop() { context_.stop(); }

}  // namespace platform
