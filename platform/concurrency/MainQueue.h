#pragma once
// The main queue: one io_context that the host runs on its main thread. All user-interface state
// lives on it; any thread may post work to it. Hosts run it with run(); tests and programs that
// wait for an outcome run it with runUntilIdle() or runUntil(), never for a fixed time. Work runs
// in the order it was posted; an exception that escapes posted work comes out of the call that
// ran it (tasks never let one escape).
#include "platform/concurrency/Async.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

namespace detail {
struct LiveTasks;
}  // namespace detail

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

    // Runs the queue until nothing on it can go on without a person, and returns true then;
    // returns false once `limit` has passed first (a safety net: it never waits longer, and
    // never waits at all once the queue is idle). The queue is idle when, all at once:
    // - no handler is queued (work posted from any thread, the resumption of a task);
    // - no task started on this queue is live: every task made by startTask, detach, runOn,
    //   a task group, race or withTimeout on this queue's executor has ended. A task that awaits
    //   anything (a network reply, a file operation, another task, a continuation that another
    //   thread resumes, or a sleep) is live until it ends, so the queue keeps running while it
    //   waits. A task that waits for something only a person can do (the answer to an alert)
    //   says so by holding a PersonWait while it waits; each PersonWait held lets one live task
    //   count as idle (while one is held, a bare timer of the io_context that belongs to no task
    //   is not looked at). Without one, such a task keeps the queue busy: wait for the state it
    //   reaches with runUntil() instead;
    // - no timer or socket operation on this queue's io_context is pending.
    // Work of other executors (the background pool, the network's threads) is not looked at,
    // except through the tasks of this queue that await it. A stop() ends it early with false.
    // Run from one thread only.
    bool runUntilIdle(std::chrono::milliseconds limit);

    // Held by a task of this queue while it waits for a person (an alert's answer), so that
    // runUntilIdle() returns instead of waiting for what no program can bring. Create and destroy
    // it on the queue's thread; it must not outlive the queue.
    class PersonWait {
    public:
        explicit PersonWait(MainQueue& queue) : queue_(queue) { ++queue_.personWaits_; }
        ~PersonWait() { --queue_.personWaits_; }
        PersonWait(const PersonWait&) = delete;
        PersonWait& operator=(const PersonWait&) = delete;

    private:
        MainQueue& queue_;
    };

    // Runs the queue (waiting for timers and for work posted from other threads) until pred()
    // is true or `timeout` has passed; returns pred()'s last value. pred() is checked before
    // running anything, after each handler and at least every few milliseconds, so it may also
    // watch what other threads or processes do. The time is a limit, not a wait: it returns as
    // soon as pred() holds.
    bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

    // Runs the queue until stop() is called (the host's main loop).
    void run();

    // Cancels every task of this queue that has not ended, and runs the queue until all of them
    // have; a task started meanwhile is cancelled too. A task waiting for work it started off the
    // queue (a child on the background pool) ends only once that work has, so nothing started
    // for this queue is still under way when it returns true; it returns false once `limit` has
    // passed first. Whoever owns the queue calls it before the queue, and what its tasks use, go
    // away. Run from the queue's thread only.
    bool endTasks(std::chrono::milliseconds limit);

    // Makes run() (and runUntil(), runUntilIdle()) return after the handler in progress. Safe
    // from any thread. The next run(), runUntil(), runUntilIdle() or drain() starts the queue
    // again.
    void stop();

private:
    void restartIfStopped();
    // True when no handler is ready or queued, no task of this queue is live and nothing of
    // the io_context is pending. Runs whatever became ready since the caller last looked.
    bool isIdle();

    boost::asio::io_context context_{1};
    // Keeps the io_context from running out of work while the queue is idle. isIdle() lets go
    // of it for a moment to learn whether anything else still counts as work.
    std::optional<boost::asio::executor_work_guard<executor_type>> keepAlive_;
    // The tasks of this queue that have not ended (see Task.h).
    std::shared_ptr<detail::LiveTasks> liveTasks_;
    // How many of them wait for a person (PersonWait); touched on the queue's thread only.
    std::size_t personWaits_ = 0;
    bool onlyPersonWaitsLive() const;
};

}  // namespace platform
