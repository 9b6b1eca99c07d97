#include "platform/concurrency/detail/AsyncCondition.h"

#include "platform/concurrency/Cancellation.h"

#include <boost/asio/this_coro.hpp>

#include <mutex>
#include <vector>

namespace platform::detail {

Async<void> AsyncCondition::waitUntil(std::function<bool()> pred,
                                      std::function<bool()> onCancelled) {
    auto self = shared_from_this();
    const Executor ex = co_await boost::asio::this_coro::executor;
    auto state = co_await boost::asio::this_coro::cancellation_state;
    bool cancelHandled = false;
    auto handleCancel = [&] {
        cancelHandled = true;
        if (!onCancelled || onCancelled()) throw CancellationError();
    };
    for (;;) {
        if (!cancelHandled && state.cancelled() != boost::asio::cancellation_type::none)
            handleCancel();
        const bool cancelled = co_await park(pred, ex);
        if (!cancelled) {
            // A wake-up only says the state changed; by the time this waiter runs, the change it
            // announced may already have been consumed (or undone), so look again.
            bool holds = false;
            {
                std::lock_guard lock(mutex);
                holds = pred();
            }
            if (holds) co_return;
            continue;
        }
        if (!cancelHandled) handleCancel();
    }
}

void AsyncCondition::notifyAll() {
    std::list<std::shared_ptr<Waiter>> woken;
    {
        std::lock_guard lock(mutex);
        woken.swap(waiters_);
    }
    for (auto& w : woken) w->complete(false);
}

bool AsyncCondition::remove(const std::shared_ptr<Waiter>& w) {
    std::lock_guard lock(mutex);
    for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
        if (*it == w) {
            waiters_.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace platform::detail
