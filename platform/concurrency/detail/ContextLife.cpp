#include "platform/concurrency/detail/ContextLife.h"

#include <boost/asio/execution/context.hpp>
#include <boost/asio/execution_context.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/query.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <vector>

namespace platform::detail {

namespace {

// Attached to each context the runtime posts to. A context shuts its services down, the most
// recently added first, before its scheduler drops the work still queued; this one is added after
// the scheduler, so what abandon() hands to the context is dropped with the rest of its queue.
class ContextLifeService : public boost::asio::execution_context::service {
public:
    static boost::asio::execution_context::id id;
    explicit ContextLifeService(boost::asio::execution_context& context)
        : service(context), life(std::make_shared<ContextLife>()) {}
    const std::shared_ptr<ContextLife> life;

private:
    void shutdown() override { life->end(); }
};

boost::asio::execution_context::id ContextLifeService::id;

}  // namespace

std::shared_ptr<ContextLife> ContextLife::of(const Executor& ex) {
    boost::asio::execution_context& context = boost::asio::query(ex, boost::asio::execution::context);
    return boost::asio::use_service<ContextLifeService>(context).life;
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
