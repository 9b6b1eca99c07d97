#pragma once
// Child tasks that run in parallel and hand their results back in the order they complete, and
// the two races built on them: race(a, b) and withTimeout(d, op).
//
//     co_await withTaskGroup<Reply>(background, [&](TaskGroup<Reply>& group) -> Async<> {
//         for (auto& r : requests) group.addTask([r]() -> Async<Reply> { ... });
//         while (auto reply = co_await group.next()) apply(*reply);
//     });
#include "platform/concurrency/Async.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Deadline.h"
#include "platform/concurrency/Task.h"

#include <boost/asio/this_coro.hpp>

#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

// A group of child tasks producing T (void children produce std::monostate). The group's owner
// consumes results with next(); children may run on the group's executor or on any other.
// Destroying the group cancels the children still running; their results are dropped.
template <class T>
class TaskGroup {
public:
    using Value = detail::ValueOrMonostate<T>;

    explicit TaskGroup(Executor childExecutor)
        : childExecutor_(std::move(childExecutor)), core_(std::make_shared<Core>()) {}
    ~TaskGroup() { cancelAll(); }
    TaskGroup(const TaskGroup&) = delete;
    TaskGroup& operator=(const TaskGroup&) = delete;

    // Starts body() (returning Async<T>) as a child on the group's executor, or on ex. A child
    // added after cancelAll() starts already cancelled.
    template <class F>
    void addTask(F body) {
        addTask(childExecutor_, std::move(body));
    }

    template <class F>
    void addTask(Executor ex, F body) {
        static_assert(std::is_same_v<detail::TaskBodyResult<F>, T>, "child must return Async<T>");
        auto state = detail::spawnTask<T>(std::move(ex), std::move(body));
        bool cancelNow = false;
        {
            std::lock_guard lock(core_->condition->mutex);
            ++core_->running;
            core_->children.push_back(state);
            cancelNow = core_->cancelled;
        }
        if (cancelNow) state->requestCancel();
        std::weak_ptr<Core> weakCore = core_;
        std::weak_ptr<detail::TaskState<T>> weakState = state;
        state->whenDone([weakCore, weakState] {
            auto core = weakCore.lock();
            auto state = weakState.lock();
            if (!core || !state) return;
            Completed c;
            c.error = state->error();
            if (!c.error) {
                if constexpr (std::is_void_v<T>)
                    c.value.emplace();
                else
                    c.value.emplace(state->takeValue());
            }
            {
                std::lock_guard lock(core->condition->mutex);
                --core->running;
                core->ready.push_back(std::move(c));
                std::erase(core->children, state);
            }
            core->condition->notifyAll();
        });
    }

    // The next result in completion order, or nothing once every child has ended and been
    // consumed. A child's error is rethrown here (the group stays usable). When the awaiting task
    // is cancelled, every child is cancelled and next() goes on delivering their outcomes.
    Async<std::optional<Value>> next() {
        auto core = core_;
        // Named, not temporaries: GCC 12 destroys closures made inside a co_await expression
        // twice.
        std::function<bool()> hasOutcome = [c = core.get()] { return !c->ready.empty() || c->running == 0; };
        std::function<bool()> cancelChildren = [core] {
            Core::cancelChildren(core);
            return false;
        };
        co_await core->condition->waitUntil(std::move(hasOutcome), std::move(cancelChildren));
        Completed c;
        {
            std::lock_guard lock(core->condition->mutex);
            if (core->ready.empty()) co_return std::nullopt;
            c = std::move(core->ready.front());
            core->ready.pop_front();
        }
        if (c.error) std::rethrow_exception(c.error);
        co_return std::move(c.value);
    }

    // Cancels every child, running or added later.
    void cancelAll() { Core::cancelChildren(core_); }

    bool isCancelled() const {
        std::lock_guard lock(core_->condition->mutex);
        return core_->cancelled;
    }

    // True when no child is running and no result waits to be consumed.
    bool isEmpty() const {
        std::lock_guard lock(core_->condition->mutex);
        return core_->running == 0 && core_->ready.empty();
    }

    // Waits for every child to end, dropping results and errors. Cancelling the awaiting task
    // cancels the children; the wait still lasts until they have ended.
    Async<void> waitForAll() {
        // (A co_return inside the try makes GCC 12 emit a trap; hence the flag.)
        bool more = true;
        while (more) {
            try {
                auto outcome = co_await next();
                more = outcome.has_value();
            } catch (...) {
            }
        }
    }

private:
    struct Completed {
        std::optional<Value> value;
        std::exception_ptr error;
    };
    struct Core {
        std::shared_ptr<detail::AsyncCondition> condition = detail::AsyncCondition::create();
        std::deque<Completed> ready;
        std::size_t running = 0;
        bool cancelled = false;
        std::vector<std::shared_ptr<detail::TaskState<T>>> children;

        static void cancelChildren(const std::shared_ptr<Core>& core) {
            std::vector<std::shared_ptr<detail::TaskState<T>>> running;
            {
                std::lock_guard lock(core->condition->mutex);
                core->cancelled = true;
                running = core->children;
            }
            for (auto& child : running) child->requestCancel();
        }
    };

    Executor childExecutor_;
    std::shared_ptr<Core> core_;
};

// Runs body(group) with a group whose children run on childExecutor (by default the caller's
// executor). When body returns, the children still running are awaited; when it throws, they are
// cancelled, awaited, and the error is rethrown. A group made in a cancelled task starts
// cancelled.
template <class T, class Body>
auto withTaskGroup(Executor childExecutor, Body body)
    -> Async<detail::TaskBodyResult<Body, TaskGroup<T>&>> {
    using R = detail::TaskBodyResult<Body, TaskGroup<T>&>;
    TaskGroup<T> group(std::move(childExecutor));
    if (co_await isCancelled()) group.cancelAll();
    std::exception_ptr error;
    std::optional<detail::ValueOrMonostate<R>> result;
    try {
        if constexpr (std::is_void_v<R>) {
            co_await body(group);
            result.emplace();
        } else {
            result.emplace(co_await body(group));
        }
    } catch (...) {
        error = std::current_exception();
        group.cancelAll();
    }
    co_await group.waitForAll();
    if (error) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<R>) co_return std::move(*result);
}

template <class T, class Body>
auto withTaskGroup(Body body) -> Async<detail::TaskBodyResult<Body, TaskGroup<T>&>> {
    const Executor ex = co_await boost::asio::this_coro::executor;
    co_return co_await withTaskGroup<T>(ex, std::move(body));
}

namespace detail {
template <std::size_t I, class V, class A>
Async<V> tagged(Async<A> op) {
    if constexpr (std::is_void_v<A>) {
        co_await std::move(op);
        co_return V(std::in_place_index<I>, std::monostate{});
    } else {
        co_return V(std::in_place_index<I>, co_await std::move(op));
    }
}
}  // namespace detail

// Runs a and b in parallel on the caller's executor. The first to end decides: its value is
// returned (index 0 for a, 1 for b; void becomes std::monostate) or its error thrown. The other
// is then cancelled and awaited; whatever it ends with is dropped. Cancelling the caller cancels
// both.
template <class A, class B>
Async<std::variant<detail::ValueOrMonostate<A>, detail::ValueOrMonostate<B>>> race(Async<A> a,
                                                                                   Async<B> b) {
    using V = std::variant<detail::ValueOrMonostate<A>, detail::ValueOrMonostate<B>>;
    const Executor ex = co_await boost::asio::this_coro::executor;
    TaskGroup<V> group(ex);
    if (co_await isCancelled()) group.cancelAll();
    group.addTask([op = detail::tagged<0, V>(std::move(a))]() mutable { return std::move(op); });
    group.addTask([op = detail::tagged<1, V>(std::move(b))]() mutable { return std::move(op); });
    std::exception_ptr error;
    std::optional<V> first;
    try {
        first = co_await group.next();
    } catch (...) {
        error = std::current_exception();
    }
    group.cancelAll();
    co_await group.waitForAll();
    if (error) std::rethrow_exception(error);
    co_return std::move(*first);
}

// Runs op with a time limit: its value (true for a void op) when it ends first, nothing (false)
// when the time runs out first, in which case op is cancelled and awaited. Errors of op are
// rethrown; cancelling the caller throws CancellationError.
template <class T, class Rep, class Period>
auto withTimeout(std::chrono::duration<Rep, Period> limit, Async<T> op)
    -> Async<std::conditional_t<std::is_void_v<T>, bool, std::optional<T>>> {
    auto winner = co_await race(std::move(op), sleepFor(limit));
    if constexpr (std::is_void_v<T>) {
        co_return winner.index() == 0;
    } else {
        if (winner.index() == 1) co_return std::nullopt;
        co_return std::move(std::get<0>(winner));
    }
}

// Like withTimeout, with a deadline on the steady clock.
template <class T>
auto withDeadline(Deadline deadline, Async<T> op) {
    return withTimeout(deadline.remaining(), std::move(op));
}

}  // namespace platform
