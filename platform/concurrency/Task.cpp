#include "platform/concurrency/Task.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

namespace platform {

Async<Executor> currentExecutor() { co_return co_await boost::asio::this_coro::executor; }

}  // namespace platform

namespace platform::detail {

namespace {

// Attached to each io_context that runs tasks, and destroyed with it.
class LiveTaskService : public boost::asio::execution_context::service {
public:
    static boost::asio::execution_context::id id;
    explicit LiveTaskService(boost::asio::execution_context& context)
        : service(context), counter(std::make_shared<std::atomic<std::size_t>>(0)) {}
    const LiveTaskCounter counter;

private:
    void shutdown() override {}
};

boost::asio::execution_context::id LiveTaskService::id;

}  // namespace

LiveTaskCounter liveTaskCounter(const Executor& ex) {
    boost::asio::execution_context* context = nullptr;
    if (auto* e = ex.target<boost::asio::io_context::executor_type>()) {
        context = &e->context();
    } else if (auto* s = ex.target<boost::asio::strand<boost::asio::io_context::executor_type>>()) {
        context = &s->get_inner_executor().context();
    }
    if (!context) return nullptr;
    return boost::asio::use_service<LiveTaskService>(*context).counter;
}

TaskStateBase::TaskStateBase(Executor ex)
    : executor(serialExecutor(ex)), condition(AsyncCondition::create()), liveTasks_(liveTaskCounter(executor)) {
    if (liveTasks_) {
        liveTasks_->fetch_add(1);
        counted_ = true;
    }
}

TaskStateBase::~TaskStateBase() { leaveLiveCount(); }

void TaskStateBase::leaveLiveCount() noexcept {
    if (counted_.exchange(false)) liveTasks_->fetch_sub(1);
}

Executor serialExecutor(const Executor& ex) {
    if (ex.target<boost::asio::io_context::executor_type>() ||
        ex.target<boost::asio::strand<boost::asio::io_context::executor_type>>() ||
        ex.target<boost::asio::strand<boost::asio::thread_pool::executor_type>>() ||
        ex.target<boost::asio::strand<Executor>>())
        return ex;
    return boost::asio::make_strand(ex);
}

void TaskStateBase::requestCancel() {
    if (cancelRequested_.exchange(true)) return;
    // The signal belongs to the task's executor; from there this runs inline.
    boost::asio::dispatch(executor, [self = shared_from_this()] {
        if (self->started_ && !self->spawnCompleted_) self->emitOnce();
    });
}

void TaskStateBase::emitOnce() {
    if (emitted_) return;
    emitted_ = true;
    signal.emit(boost::asio::cancellation_type::terminal);
}

void TaskStateBase::markStarted() {
    started_ = true;
    // A cancel() that came before the start could not reach the coroutine yet.
    if (cancelRequested_.load()) emitOnce();
}

void TaskStateBase::markSpawnCompleted() {
    spawnCompleted_ = true;
    signal.slot().clear();
}

bool TaskStateBase::isDone() const {
    std::lock_guard lock(condition->mutex);
    return done_;
}

std::exception_ptr TaskStateBase::error() const {
    std::lock_guard lock(condition->mutex);
    return error_;
}

void TaskStateBase::whenDone(std::function<void()> fn) {
    {
        std::lock_guard lock(condition->mutex);
        if (!done_) {
            onDone_.push_back(std::move(fn));
            return;
        }
    }
    fn();
}

Async<void> TaskStateBase::waitDone(std::function<bool()> onCancelled) {
    auto self = shared_from_this();
    // Named, not a temporary: GCC 12 destroys closures made inside a co_await expression twice.
    std::function<bool()> isDone = [s = self.get()] { return s->done_; };
    co_await condition->waitUntil(std::move(isDone), std::move(onCancelled));
}

void TaskStateBase::finish(std::exception_ptr error) {
    // An Asio operation interrupted by our cancel reports operation_aborted; the task's callers
    // see the runtime's own cancellation error instead.
    if (error && cancelRequested_.load() && isCancellationError(error))
        error = std::make_exception_ptr(CancellationError());
    std::vector<std::function<void()>> callbacks;
    {
        std::lock_guard lock(condition->mutex);
        if (done_) return;
        done_ = true;
        error_ = error;
        callbacks.swap(onDone_);
    }
    condition->notifyAll();
    for (auto& fn : callbacks) fn();
    leaveLiveCount();
}

}  // namespace platform::detail
