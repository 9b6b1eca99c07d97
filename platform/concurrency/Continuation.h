#pragma once
// Suspending a task until a callback-based operation calls back: the bridge from completion
// handlers (platform loaders, alert buttons, delegate events) to a coroutine.
//
//     bool approved = co_await withContinuation<bool>([&](Continuation<bool> c) {
//         showAlert([c](bool answer) { c.resume(answer); });
//     });
//
// Resume from any thread, once; later resumes are ignored. Like the platform's continuations the
// wait is not interrupted by cancelling the task. If every copy of the continuation is dropped
// without a resume, the wait ends with ContinuationDroppedError instead of hanging for ever.
#include "platform/concurrency/Async.h"
#include "platform/concurrency/detail/AsyncCondition.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace platform {

class ContinuationDroppedError : public std::logic_error {
public:
    ContinuationDroppedError()
        : std::logic_error("A continuation was released without being resumed.") {}
};

namespace detail {
template <class T>
struct ContinuationState {
    std::shared_ptr<AsyncCondition> condition = AsyncCondition::create();
    bool resumed = false;  // guarded by condition->mutex
    std::optional<ValueOrMonostate<T>> value;
    std::exception_ptr error;

    bool finish(std::optional<ValueOrMonostate<T>> v, std::exception_ptr e) {
        {
            std::lock_guard lock(condition->mutex);
            if (resumed) return false;
            resumed = true;
            value = std::move(v);
            error = std::move(e);
        }
        condition->notifyAll();
        return true;
    }
};
}  // namespace detail

template <class T = void>
class Continuation {
public:
    using Storage = detail::ValueOrMonostate<T>;

    // Returns false when the continuation had already been resumed.
    template <class U = T>
        requires(!std::is_void_v<U>)
    bool resume(U value) const {
        return token_->state->finish(Storage(std::move(value)), nullptr);
    }
    template <class U = T>
        requires std::is_void_v<U>
    bool resume() const {
        return token_->state->finish(Storage{}, nullptr);
    }
    bool resumeThrowing(std::exception_ptr error) const {
        return token_->state->finish(std::nullopt, std::move(error));
    }
    template <class E>
    bool resumeThrowing(E error) const {
        return resumeThrowing(std::make_exception_ptr(std::move(error)));
    }

private:
    template <class U, class F>
    friend Async<U> withContinuation(F start);

    // Shared by the copies handed out; when the last one goes, an unresumed wait is ended.
    struct Token {
        std::shared_ptr<detail::ContinuationState<T>> state;
        ~Token() {
            if (state) state->finish(std::nullopt, std::make_exception_ptr(ContinuationDroppedError()));
        }
    };
    explicit Continuation(std::shared_ptr<Token> token) : token_(std::move(token)) {}
    std::shared_ptr<Token> token_;
};

// Calls start(continuation) right away, on the calling task, then suspends until the
// continuation is resumed: returns the value given to resume() or throws the error given to
// resumeThrowing().
template <class T, class F>
Async<T> withContinuation(F start) {
    auto state = std::make_shared<detail::ContinuationState<T>>();
    {
        auto token = std::make_shared<typename Continuation<T>::Token>();
        token->state = state;
        start(Continuation<T>(std::move(token)));
    }
    // Named, not temporaries: GCC 12 destroys closures made inside a co_await expression twice.
    std::function<bool()> resumed = [s = state.get()] { return s->resumed; };
    std::function<bool()> keepWaiting = [] { return false; };
    co_await state->condition->waitUntil(std::move(resumed), std::move(keepWaiting));
    if (state->error) std::rethrow_exception(state->error);
    if constexpr (!std::is_void_v<T>) co_return std::move(*state->value);
}

}  // namespace platform
