#pragma once
// How tests wait for asynchronous work: they run a main queue until the work has ended, until
// nothing more can happen (MainQueue::runUntilIdle) or until a condition holds
// (MainQueue::runUntil), each with a time limit that only matters when something is wrong.
// Never a sleep, never a run of fixed length.
#include <chrono>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "platform/concurrency/MainQueue.h"
#include "platform/concurrency/Task.h"

namespace tarvo_test {

// Generous for sanitizer builds on a loaded machine; a test that passes never comes near it.
inline constexpr std::chrono::milliseconds kTaskLimit{30000};

// The queue the tests run their tasks on, from the test's own thread. It is never destroyed:
// a network thread may still be returning from its post of a completion when the task has ended,
// and an io_context must not go away under it.
inline platform::MainQueue& testQueue() {
    static platform::MainQueue* queue = new platform::MainQueue();
    return *queue;
}

// Runs `queue` until `task` has ended and gives its value, or rethrows its error. When the limit
// passes first, the task is cancelled and given a moment to end, and std::runtime_error says so.
template <class T>
T runTask(platform::MainQueue& queue, const platform::TaskHandle<T>& task,
          std::chrono::milliseconds limit = kTaskLimit) {
    if (!queue.runUntil([&] { return task.isDone(); }, limit)) {
        task.cancel();
        queue.runUntil([&] { return task.isDone(); }, std::chrono::seconds(5));
        throw std::runtime_error("the task did not end in time");
    }
    return task.result();
}

// Starts body() (which returns platform::Async<T>) as a task on the test queue and runs it to
// its end, as above.
template <class F>
auto runTask(F body) -> platform::detail::TaskBodyResult<F> {
    platform::MainQueue& queue = testQueue();
    auto task = platform::startTask(queue.executor(), std::move(body));
    return runTask(queue, task);
}

// The same for an operation that is already made.
template <class T>
T runTask(platform::Async<T> operation) {
    auto pending = std::make_shared<platform::Async<T>>(std::move(operation));
    return runTask([pending]() -> platform::Async<T> {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(*pending);
        } else {
            co_return co_await std::move(*pending);
        }
    });
}

}  // namespace tarvo_test
