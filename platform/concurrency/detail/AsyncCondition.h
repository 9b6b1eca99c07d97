#pragma once
// A condition variable for coroutines: a state guarded by `mutex` that any thread may change,
// and coroutines on any executor that wait for it to satisfy a predicate. Waking never runs a
// waiter inline: it is resumed on its own executor.
#include "platform/concurrency/Async.h"
#include "platform/concurrency/detail/ContextLife.h"

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

    // The awaiting coroutine's handler, held until it is resumed or, when its executor's context
    // ends first, dropped while that context can still take the coroutine's unwinding. A wake-up
    // that comes after the end (a background child ending once the main queue is gone) finds
    // nothing to resume and posts nothing.
    template <class Handler>
    struct WaiterFor final : Waiter, ContextLife::Parked, std::enable_shared_from_this<WaiterFor<Handler>> {
        using WorkExecutor = decltype(boost::asio::prefer(
            std::declval<boost::asio::associated_executor_t<Handler, Executor>>(),
            boost::asio::execution::outstanding_work.tracked));

        // On the awaiting coroutine's executor, whose context is there.
        WaiterFor(Handler&& h, const Executor& fallback)
            : handler(std::move(h)),
              work(boost::asio::prefer(boost::asio::get_associated_executor(*handler, fallback),
                                       boost::asio::execution::outstanding_work.tracked)),
              life(ContextLife::of(Executor(*work))) {}

        // Enrols the waiter to be dropped at its context's end; false when it has ended already.
        bool enrol() {
            std::lock_guard lock(life->mutex);
            if (life->ended()) return false;
            enrolment = life->enrol(this->weak_from_this());
            return true;
        }

        void complete(bool cancelled) override {
            std::lock_guard lock(life->mutex);
            if (life->ended() || !handler) return;
            if (enrolment) life->withdraw(*enrolment);
            enrolment.reset();
            // Both leave the waiter here, under the lock: whoever drops the waiter's last
            // reference later, on whatever thread, no longer touches the context.
            auto h = std::move(*handler);
            handler.reset();
            WorkExecutor w = std::move(*work);
            work.reset();
            boost::asio::post(w, [h = std::move(h), slot = slot, cancelled]() mutable {
                // The cancellation handler lives in the awaiting coroutine's slot; it must be gone
                // before the coroutine goes on to its next operation.
                if (slot.is_connected()) slot.clear();
                std::move(h)(cancelled);
            });
        }

        void abandon() override {
            std::optional<Handler> h;
            std::optional<WorkExecutor> w;
            {
                std::lock_guard lock(life->mutex);
                enrolment.reset();
                if (handler) h.emplace(std::move(*handler));
                handler.reset();
                if (work) w.emplace(std::move(*work));
                work.reset();
            }
            // Destroyed here, without the lock: the coroutine's unwinding is handed to its
            // executor, whose ending context drops it with the rest of its queue.
        }

        std::optional<Handler> handler;                   // guarded by life->mutex
        std::optional<WorkExecutor> work;                 // guarded by life->mutex
        const std::shared_ptr<ContextLife> life;
        std::optional<ContextLife::Enrolment> enrolment;  // guarded by life->mutex
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
        // A context that is ending takes no new wait; its coroutines are being dropped.
        if (!waiter->enrol()) return;
        bool ready = false;
        {
            std::lock_guard lock(self->mutex);
            ready = pred();
            if (!ready) self->waiters_.push_back(waiter);
        }
        // Completed without the condition's lock, so the context's lock (which completing takes)
        // is never taken inside it.
        if (ready) {
            waiter->complete(false);
            return;
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
