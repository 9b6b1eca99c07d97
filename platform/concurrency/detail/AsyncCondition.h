#pragma once
// A condition variable for coroutines: a state guarded by `mutex` that any thread may change,
// and coroutines on any executor that wait for it to satisfy a predicate. Waking never runs a
// waiter inline: it is resumed on its own executor.
#include "platform/concurrency/Async.h"

#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

namespace platform::detail {

class AsyncCondition : public std::enable_shared_from_this<AsyncCondition> {
public:
    static std::shared_ptr<AsyncCondition> create() { return std::make_shared<AsyncCondition>(); }

    // Guards the waiters and, by convention, the state the predicates read.
    std::mutex mutex;

    // Waits until pred() (called with `mutex` held) is true. When the awaiting task is, or
    // becomes, cancelled, onCancelled() is called once (without the lock): if it returns true,
    // or is empty, the wait ends with CancellationError; if it returns false the wait goes on.
    Async<void> waitUntil(std::function<bool()> pred, std::function<bool()> onCancelled = {});

    // Wakes every waiter so it re-checks its predicate. Call after changing the state; takes
    // `mutex` itself, so do not hold it.
    void notifyAll();

private:
    struct Waiter {
        virtual ~Waiter() = default;
        // Resumes the awaiting coroutine on its executor; called at most once.
        virtual void complete(bool cancelled) = 0;
    };

    template <class Handler>
    struct WaiterFor final : Waiter, std::enable_shared_from_this<WaiterFor<Handler>> {
        using WorkExecutor = decltype(boost::asio::prefer(
            std::declval<boost::asio::associated_executor_t<Handler, Executor>>(),
            boost::asio::execution::outstanding_work.tracked));

        WaiterFor(Handler&& h, const Executor& fallback)
            : handler(std::move(h)),
              work(boost::asio::prefer(boost::asio::get_associated_executor(*handler, fallback),
                                       boost::asio::execution::outstanding_work.tracked)) {}

        void complete(bool cancelled) override {
            auto self = this->shared_from_this();
            boost::asio::post(work, [self, cancelled]() mutable {
                // The cancellation handler lives in the awaiting coroutine's slot; it must be gone
                // before the coroutine goes on to its next operation.
                if (self->slot.is_connected()) self->slot.clear();
                auto h = std::move(*self->handler);
                self->handler.reset();
                std::move(h)(cancelled);
            });
        }

        std::optional<Handler> handler;
        WorkExecutor work;
        boost::asio::cancellation_slot slot;
    };

    struct CancelHandler {
        std::weak_ptr<AsyncCondition> condition;
        std::weak_ptr<Waiter> waiter;
        void operator()(boost::asio::cancellation_type_t) const {
            auto c = condition.lock();
            auto w = waiter.lock();
            if (!c || !w) return;
            if (c->remove(w)) w->complete(true);
        }
    };

    bool remove(const std::shared_ptr<Waiter>& w);

    // One wait: completes with false once pred() holds, with true when cancelled first.
    Async<bool> park(std::function<bool()> pred, Executor fallback);

    std::list<std::shared_ptr<Waiter>> waiters_;
};

inline Async<bool> AsyncCondition::park(std::function<bool()> pred, Executor fallback) {
    auto self = shared_from_this();
    auto initiation = [self, pred = std::move(pred), fallback = std::move(fallback)](auto handler) {
        using Handler = decltype(handler);
        auto slot = boost::asio::get_associated_cancellation_slot(handler);
        auto waiter = std::make_shared<WaiterFor<Handler>>(std::move(handler), fallback);
        {
            std::lock_guard lock(self->mutex);
            if (pred()) {
                waiter->complete(false);
                return;
            }
            self->waiters_.push_back(waiter);
        }
        // Still on the awaiting coroutine's executor: nothing can run the completion (which is
        // posted there) before the handler is in place.
        if (slot.is_connected()) {
            waiter->slot = slot;
            slot.template emplace<CancelHandler>(CancelHandler{self, waiter});
        }
    };
    return boost::asio::async_initiate<const boost::asio::use_awaitable_t<>&, void(bool)>(
        initiation, boost::asio::use_awaitable);
}

}  // namespace platform::detail
