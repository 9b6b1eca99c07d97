#include "platform/concurrency/detail/ContextLife.h"

#include "platform/concurrency/detail/ContextShared.h"

#include <boost/asio/execution/context.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/query.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <vector>

namespace platform::detail {

std::shared_ptr<ContextLife> ContextLife::of(const Executor& ex) {
    // Attached after the context's scheduler, so it ends first: what abandon() hands to the
    // context is dropped with the rest of its queue.
    return sharedWithContext<ContextLife>(boost::asio::query(ex, boost::asio::execution::context));
}

void ContextLife::end() {
    std::list<std::weak_ptr<Parked>> parked;
    {
        std::lock_guard lock(mutex);
        ended_ = true;
        parked.swap(parked_);
    }
    // Without the lock: abandoning runs clean-up that may look at this life again.
    for (auto& weak : parked) {
        if (auto p = weak.lock()) p->abandon();
    }
}

bool runningInThisThread(const Executor& ex) {
    using IoExecutor = boost::asio::io_context::executor_type;
    if (auto* e = ex.target<IoExecutor>()) return e->running_in_this_thread();
    if (auto* s = ex.target<boost::asio::strand<IoExecutor>>()) return s->running_in_this_thread();
    if (auto* s = ex.target<boost::asio::strand<boost::asio::thread_pool::executor_type>>())
        return s->running_in_this_thread();
    if (auto* s = ex.target<boost::asio::strand<Executor>>()) return s->running_in_this_thread();
    return false;
}

}  // namespace platform::detail
