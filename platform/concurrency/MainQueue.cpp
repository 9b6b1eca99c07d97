#include "platform/concurrency/MainQueue.h"

#include <algorithm>

namespace platform {

MainQueue& MainQueue::shared() {
    static MainQueue queue;
    return queue;
}

MainQueue::MainQueue() : keepAlive_(context_.get_executor()) {}

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

bool MainQueue::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    restartIfStopped();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        // Short slices so that a predicate made true by another thread is seen promptly.
        const auto slice = std::min<std::chrono::steady_clock::duration>(
            deadline - now, std::chrono::milliseconds(5));
        context_.run_one_for(slice);
        if (context_.stopped()) return pred();
    }
    return true;
}

std::size_t MainQueue::runFor(std::chrono::milliseconds duration) {
    restartIfStopped();
    return context_.run_for(duration);
}

void MainQueue::run() {
    restartIfStopped();
    context_.run();
}

void MainQueue::stop() { context_.stop(); }

}  // namespace platform
