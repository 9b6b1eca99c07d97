#pragma once
// Unstructured tasks: start an asynchronous operation on an executor, keep its handle in a field,
// cancel it, await its value. Like the platform's tasks:
// - a task starts later, from the executor's queue, never inside startTask();
// - dropping the handle does NOT cancel the task (fire-and-forget is just not keeping it);
// - cancel() is a request: the pending operation of the task is interrupted and its checks see
//   it (Async.h describes the model). A task cancelled before it starts still runs its body,
//   which then sees isCancelled() == true.
//
// A field that holds the running task is cancelled before it is replaced:
//     replaceTask(sendTask_, startTask(main, weakSelf, [](auto self) -> Async<> {...}));
#include "platform/concurrency/Async.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/detail/AsyncCondition.h"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

template <class T>
class TaskHandle;

namespace detail {

template <class A>
struct AwaitableValue;
template <class T>
struct AwaitableValue<boost::asio::awaitable<T, Executor>> {
    using type = T;
};
// The T of the Async<T> that a task body returns.
template <class F, class... Args>
using TaskBodyResult =
    typename AwaitableValue<std::decay_t<std::invoke_result_t<F&, Args...>>>::type;

class TaskStateBase;

// The tasks started on one io_context (the main queue's) that have not ended yet; shared by the
// context and its tasks, so it outlives whichever goes first. MainQueue::runUntilIdle reads the
// count, MainQueue::endTasks cancels them.
struct LiveTasks {
    std::atomic<std::size_t> count{0};
    std::mutex mutex;
    std::unordered_map<const TaskStateBase*, std::weak_ptr<TaskStateBase>> tasks;  // guarded by mutex

    // Asks every task that has not ended to stop.
    void cancelAll();
};
using LiveTaskCounter = std::shared_ptr<LiveTasks>;
// The live tasks of the io_context that ex runs on (directly or through a strand); none for other
// executors, such as the background pool's.
LiveTaskCounter liveTaskCounter(const Executor& ex);

// Returns ex itself when it already runs one handler at a time (an io_context, which the main
// queue runs on one thread, or a strand); otherwise a new strand on it.
Executor serialExecutor(const Executor& ex);

// Everything a task shares with its handles and its waiters.
class TaskStateBase : public std::enable_shared_from_this<TaskStateBase> {
public:
    explicit TaskStateBase(Executor ex);
    virtual ~TaskStateBase();

    // Right after construction: lets the queue's endTasks() reach the task.
    void enrolLive();
    // Hands fn to the task's executor, unless its context has ended; returns whether it did.
    template <class F>
    bool postToExecutor(F&& fn) {
        return life_->postIfAlive([&] { boost::asio::post(executor, std::forward<F>(fn)); });
    }

    void requestCancel();
    bool isCancelRequested() const noexcept { return cancelRequested_.load(); }
    bool isDone() const;

    // Calls fn once the task has ended: at once (on the calling thread) when it already has,
    // otherwise on the task's executor right after it ends.
    void whenDone(std::function<void()> fn);

    // Waits until the task has ended; cancellation of the waiter is handled as
    // AsyncCondition::waitUntil describes.
    Async<void> waitDone(std::function<bool()> onCancelled = {});

    // The task's error, if it failed (valid once done).
    std::exception_ptr error() const;

    // Only on the task's executor.
    void markStarted();
    void finish(std::exception_ptr error);
    void markSpawnCompleted();

    const Executor executor;
    const std::shared_ptr<AsyncCondition> condition;  // its mutex guards the result fields
    boost::asio::cancellation_signal signal;          // only touched on `executor`

protected:
    bool done_ = false;
    std::exception_ptr error_;

private:
    void emitOnce();
    void leaveLiveCount() noexcept;

    // The task counts as live on its io_context from its creation until it ends (or, if it never
    // runs to its end, until its state goes away).
    const LiveTaskCounter liveTasks_;
    const std::shared_ptr<ContextLife> life_;
    std::atomic<bool> counted_{false};
    std::atomic<bool> cancelRequested_{false};
    std::vector<std::function<void()>> onDone_;
    // Only touched on `executor`.
    bool started_ = false;
    bool spawnCompleted_ = false;
    bool emitted_ = false;
};

template <class T>
class TaskState final : public TaskStateBase {
public:
    using TaskStateBase::TaskStateBase;
    void setValue(T v) {
        std::lock_guard lock(condition->mutex);
        value_.emplace(std::move(v));
    }
    // Valid once done and without error.
    T copyValue() const {
        std::lock_guard lock(condition->mutex);
        return *value_;
    }
    T takeValue() {
        std::lock_guard lock(condition->mutex);
        return std::move(*value_);
    }

private:
    std::optional<T> value_;
};

template <>
class TaskState<void> final : public TaskStateBase {
public:
    using TaskStateBase::TaskStateBase;
};

// The coroutine that every task runs: switches off throw-on-cancel, delivers a cancellation
// requested before the start, runs the body and records its outcome.
template <class T, class F>
Async<void> runTaskBody(std::shared_ptr<TaskState<T>> state, F body) {
    co_await boost::asio::this_coro::throw_if_cancelled(false);
    state->markStarted();
    std::exception_ptr error;
    try {
        if constexpr (std::is_void_v<T>) {
            co_await body();
        } else {
            state->setValue(co_await body());
        }
    } catch (...) {
        error = std::current_exception();
    }
    state->finish(error);
}

template <class T, class F>
std::shared_ptr<TaskState<T>> spawnTask(Executor ex, F body) {
    auto state = std::make_shared<TaskState<T>>(std::move(ex));
    state->enrolLive();
    // Spawned from the executor's queue, so the body never runs inside the caller.
    const bool posted = state->postToExecutor([state, body = std::move(body)]() mutable {
        boost::asio::co_spawn(state->executor, runTaskBody<T>(state, std::move(body)),
                              boost::asio::bind_cancellation_slot(
                                  state->signal.slot(), [state](std::exception_ptr e) {
                                      if (e) state->finish(e);
                                      state->markSpawnCompleted();
                                  }));
    });
    // A task started on a queue that has ended never runs; whoever waits for it is not left
    // waiting.
    if (!posted) state->finish(std::make_exception_ptr(CancellationError()));
    return state;
}

template <class Owner, class F>
Async<void> runWithStrongOwner(std::weak_ptr<Owner> owner, F body) {
    auto strong = owner.lock();
    if (!strong) co_return;
    co_await body(std::move(strong));
}

template <class Owner, class F>
Async<std::optional<TaskBodyResult<F, std::shared_ptr<Owner>>>> runWithStrongOwnerValue(
    std::weak_ptr<Owner> owner, F body) {
    auto strong = owner.lock();
    if (!strong) co_return std::nullopt;
    co_return co_await body(std::move(strong));
}

template <class Owner, class F>
Async<void> runWithWeakOwner(std::weak_ptr<Owner> owner, F body) {
    if (owner.expired()) co_return;
    co_await body(std::move(owner));
}

}  // namespace detail

template <class T = void>
class TaskHandle {
public:
    explicit TaskHandle(std::shared_ptr<detail::TaskState<T>> state) : state_(std::move(state)) {}

    // Asks the task to stop. Safe from any thread; idempotent; does nothing once it has ended.
    // From the task's own executor (the usual case on the main queue) the pending operation is
    // interrupted before cancel() returns; from elsewhere it is interrupted on that executor
    // shortly after.
    void cancel() const { state_->requestCancel(); }
    bool isCancelled() const noexcept { return state_->isCancelRequested(); }
    bool isDone() const { return state_->isDone(); }
    Executor executor() const { return state_->executor; }

    // Waits for the task and gives its value, or rethrows its error. Cancelling the awaiting
    // task ends the wait with CancellationError and leaves this task running.
    Async<T> value() const {
        auto state = state_;
        co_await state->waitDone();
        if (auto e = state->error()) std::rethrow_exception(e);
        if constexpr (!std::is_void_v<T>) co_return state->copyValue();
    }

    // Waits for the task to end, whatever its outcome. Cancellable like value().
    Async<void> wait() const {
        auto state = state_;
        co_await state->waitDone();
    }

    // The outcome of a task that has ended (std::logic_error while it runs).
    T result() const {
        if (!state_->isDone()) throw std::logic_error("TaskHandle::result() before the task ended");
        if (auto e = state_->error()) std::rethrow_exception(e);
        if constexpr (!std::is_void_v<T>) return state_->copyValue();
    }

    const std::shared_ptr<detail::TaskState<T>>& state() const noexcept { return state_; }

    friend bool operator==(const TaskHandle& a, const TaskHandle& b) { return a.state_ == b.state_; }

private:
    std::shared_ptr<detail::TaskState<T>> state_;
};

// The executor the calling task runs on (child tasks and detached work started "here" use it).
Async<Executor> currentExecutor();

// Starts body() (which returns Async<T>) as a task on ex.
template <class F>
auto startTask(Executor ex, F body) -> TaskHandle<detail::TaskBodyResult<F>> {
    using T = detail::TaskBodyResult<F>;
    return TaskHandle<T>(detail::spawnTask<T>(std::move(ex), std::move(body)));
}

// Starts a task that holds its owner weakly. When the task starts and the owner is gone, it does
// nothing (ends without running body). Otherwise:
// - body(std::shared_ptr<Owner>): the owner is kept for the duration of body only;
// - body(std::weak_ptr<Owner>): body re-locks the owner around each step itself, so the task
//   never keeps the owner alive while suspended.
// A body returning Async<T> with T not void gives TaskHandle<std::optional<T>> (empty when the
// owner was gone).
template <class Owner, class F>
auto startTask(Executor ex, std::weak_ptr<Owner> owner, F body) {
    if constexpr (std::is_invocable_v<F&, std::weak_ptr<Owner>>) {
        static_assert(std::is_void_v<detail::TaskBodyResult<F, std::weak_ptr<Owner>>>,
                      "a task holding its owner weakly returns Async<void>");
        return startTask(std::move(ex), [owner = std::move(owner), body = std::move(body)]() mutable {
            return detail::runWithWeakOwner(std::move(owner), std::move(body));
        });
    } else {
        using R = detail::TaskBodyResult<F, std::shared_ptr<Owner>>;
        if constexpr (std::is_void_v<R>) {
            return startTask(std::move(ex), [owner = std::move(owner), body = std::move(body)]() mutable {
                return detail::runWithStrongOwner(std::move(owner), std::move(body));
            });
        } else {
            return startTask(std::move(ex), [owner = std::move(owner), body = std::move(body)]() mutable {
                return detail::runWithStrongOwnerValue(std::move(owner), std::move(body));
            });
        }
    }
}

// Fire and forget: the task runs to its end; its error, if any, is dropped.
template <class F>
void detach(Executor ex, F body) {
    (void)startTask(std::move(ex), std::move(body));
}

template <class Owner, class F>
void detach(Executor ex, std::weak_ptr<Owner> owner, F body) {
    (void)startTask(std::move(ex), std::move(owner), std::move(body));
}

// Cancels the task a field holds (if any) and stores the new one in its place.
template <class T>
void replaceTask(std::optional<TaskHandle<T>>& field, TaskHandle<T> next) {
    if (field) field->cancel();
    field.emplace(std::move(next));
}

// Cancels the task a field holds (if any) and empties the field.
template <class T>
void cancelAndClear(std::optional<TaskHandle<T>>& field) {
    if (field) field->cancel();
    field.reset();
}

// Runs body() as a child task on another executor and waits for it, returning its value or
// rethrowing its error, back on the caller's executor. Cancelling the caller cancels the child
// (the caller still waits for it to end).
template <class F>
auto runOn(Executor ex, F body) -> Async<detail::TaskBodyResult<F>> {
    using T = detail::TaskBodyResult<F>;
    auto state = detail::spawnTask<T>(std::move(ex), std::move(body));
    // Named, not a temporary: GCC 12 destroys closures made inside a co_await expression twice.
    std::function<bool()> cancelChild = [state] {
        state->requestCancel();
        return false;
    };
    co_await state->waitDone(std::move(cancelChild));
    if (auto e = state->error()) std::rethrow_exception(e);
    if constexpr (!std::is_void_v<T>) co_return state->takeValue();
}

}  // namespace platform
