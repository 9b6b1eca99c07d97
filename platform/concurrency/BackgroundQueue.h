#pragma once
// The background pool: threads for work that must not run on the main queue (the network
// session's callbacks, parallel child tasks). A task runs on one serial executor (a strand of the
// pool), so its steps never overlap even when they run on different threads.
//
// Moving between executors: a coroutine always resumes on the executor it was started on;
// `co_await boost::asio::post(other, use_awaitable)` does NOT move it. To run a piece of work
// elsewhere and come back, await it as a child task: `co_await runOn(background, [] -> Async<T>
// {...})` (Task.h). The child is cancelled when the awaiting task is.
#include "platform/concurrency/Async.h"

#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <cstddef>
#include <utility>

namespace platform {

class BackgroundQueue {
public:
    using SerialExecutor = boost::asio::strand<boost::asio::thread_pool::executor_type>;

    // The process-wide pool (a few threads).
    static BackgroundQueue& shared();

    explicit BackgroundQueue(std::size_t threads);
    // Stops the pool and joins its threads; work not yet run is dropped.
    ~BackgroundQueue();
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    // The pool's executor: handlers posted here may run concurrently with each other.
    boost::asio::thread_pool::executor_type executor() noexcept { return pool_.get_executor(); }

    // A new serial executor on the pool (like a private serial dispatch queue).
    SerialExecutor makeSerialExecutor() { return boost::asio::make_strand(pool_.get_executor()); }

    template <class F>
    void post(F&& fn) {
        boost::asio::post(pool_, std::forward<F>(fn));
    }

    // Waits until the pool has no work left and its threads have ended (used at shutdown).
    void join();

private:
    boost::asio::thread_pool pool_;
};

}  // namespace platform
