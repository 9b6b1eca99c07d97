#pragma once
// The main queue: one io_context that the host runs on its main thread. All user-interface state
// lives on it; any thread may post work to it. Tests and hosts run it with drain(), runUntil() or
// run(). Work runs in the order it was posted; an exception that escapes posted work comes out of
// the drain(), runUntil() or run() call that ran it (tasks never let one escape).
#include "platform/concurrency/Async.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <chrono>
#include <cstddef>
#include <functional>
#include <utility>

namespace platform {

class MainQueue {
public:
    using executor_type = boost::asio::io_context::executor_type;

    // The process-wide main queue.
    static MainQueue& shared();

    // A queue of its own (tests that want isolation). Run it from one thread only.
    MainQueue();
    ~MainQueue();
    MainQueue(const MainQueue&) = delete;
    MainQueue& operator=(const MainQueue&) = delete;

    executor_type executor() noexcept { return context_.get_executor(); }
    boost::asio::io_context& context() noexcept { return context_; }

    // Queues fn to run on the main queue after the work already queued. Safe from any thread.
    template <class F>
    void post(F&& fn) {
        boost::asio::post(context_, std::forward<F>(fn));
    }

    // True while the calling thread is running this queue's work.
    bool isCurrent() noexcept { return context_.get_executor().running_in_this_thread(); }

    // Runs every handler that is ready now, and those they make ready, until none is left; does
    // not wait for timers that have not fired. Returns how many handlers ran.
    std::size_t drain();

    // Runs the queue (waiting for timers and for work posted from other threads) until pred()
    // is true or the timeout has passed. pred() is checked before running anything and after
    // each handler. Returns pred()'s last value.
    bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

    // Runs the queue for the given time, then returns the number of handlers run.
    std::size_t runFor(std::chrono::milliseconds duration);

    // Runs the queue until stop() is called (the host's main loop).
    void run();

    // Makes run() return after the handler in progress. Safe from any thread. The next
    // run(), runUntil() or drain() starts the queue again.
    void stop();

private:
    void restartIfStopped();

    boost::asio::io_context context_{1};
    // Keeps the io_context from running out of work while the queue is idle.
    boost::asio::executor_work_guard<executor_type> keepAlive_;
};

}  // namespace platform
