#include "platform/concurrency/Task.h"

#include "platform/concurrency/detail/ContextShared.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <vector>

namespace platform {

Async<Executor> currentExecutor() { co_return co_await boost::asio::this_coro::executor; }

}  // namespace platform

namespace platform::detail {

LiveTaskCounter liveTaskCounter(const Executor& ex) {
    boost::asio::execution_context* context = nullptr;
    if (auto* e = ex.target<boost::asio::io_context::executor_type>()) {
        context = &e->context();
    } else if (auto* s = ex.target<boost::asio::strand<boost::asio::io_context::executor_type>>()) {
        context = &s->get_inner_executor().context();
    }
    if (!context) return nullptr;
    return sharedWithContext<LiveTasks>(*context);
}

void LiveTasks::cancelAll() {
    std::vector<std::shared_ptr<TaskStateBase>> live;
    {
        std::lock_guard lock(mutex);
        live.reserve(tasks.size());
        for (const auto& [key, weak] : tasks) {
            if (auto task = weak.lock()) live.push_back(std::move(task));
        }
    }
    // Without the lock: a cancellation that runs inline may end a task, which leaves the map.
    for (const auto& task : live) task->requestCancel();
}

TaskStateBase::TaskStateBase(Executor ex)
    : executor(serialExecutor(ex)),
      condition(AsyncCondition::create()),
      liveTasks_(liveTaskCounter(executor)),
      life_(ContextLife::of(executor)) {
    if (liveTasks_) {
        liveTasks_->count.fetch_add(1);
        counted_ = true;
    }
}

TaskStateBase::~TaskStateBase() { leaveLiveCount(); }

void TaskStateBase::enrolLive() {
    if (!liveTasks_) return;
    std::lock_guard lock(liveTasks_->mutex);
    if (counted_.load()) liveTasks_->tasks.emplace(this, weak_from_this());
}

void TaskStateBase::leaveLiveCount() noexcept {
    if (!counted_.exchange(false)) return;
    {
        std::lock_guard lock(liveTasks_->mutex);
        liveTasks_->tasks.erase(this);
    }
    liveTasks_->count.fetch_sub(1);
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
    auto deliver = [self = shared_from_this()] {
        if (self->started_ && !self->spawnCompleted_) self->emitOnce();
    };
    {
        std::lock_guard lock(life_->mutex);
        // A task whose queue has ended was dropped with it: there is nothing left to interrupt.
        if (life_->ended()) return;
        if (!runningInThisThread(executor)) {
            boost::asio::post(executor, std::move(deliver));
            return;
        }
    }
    deliver();
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
