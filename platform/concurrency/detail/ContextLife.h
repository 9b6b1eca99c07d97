#pragma once
// Whether an execution context (the main queue's io_context, the background pool) is still there
// to take work. Work that ends on another thread (a child on the background pool, a wake-up of a
// wait) looks here before it posts to the context, under the same lock the context's end takes,
// so a post either reaches a context that is still there or does not happen at all. When the
// context ends, the waits still parked for it are dropped while it can still take their clean-up
// (an awaiting coroutine unwinds through its executor).
#include "platform/concurrency/Async.h"

#include <list>
#include <memory>
#include <mutex>

namespace platform::detail {

class ContextLife {
public:
    // Something parked for the context that must be dropped when the context ends.
    class Parked {
    public:
        virtual ~Parked() = default;
        // Called once, after the context has ended (no post reaches it any more) but before it is
        // gone: releases whatever would otherwise reach the context later.
        virtual void abandon() = 0;
    };
    using Enrolment = std::list<std::weak_ptr<Parked>>::iterator;

    // The life of the context ex runs on. Call it while that context is known to be there (from
    // its own thread, or from the thread that owns it).
    static std::shared_ptr<ContextLife> of(const Executor& ex);

    // Guards `ended` and the enrolments.
    std::mutex mutex;

    // With `mutex` held:
    bool ended() const noexcept { return ended_; }
    // Enrols p to be abandoned at the end; the caller has checked ended() first.
    Enrolment enrol(std::weak_ptr<Parked> p) { return parked_.insert(parked_.end(), std::move(p)); }
    void withdraw(Enrolment e) { parked_.erase(e); }

    // Runs post() unless the context has ended; returns whether it ran. post() runs with `mutex`
    // held: it must only hand work to the context, never run any.
    template <class F>
    bool postIfAlive(F&& post) {
        std::lock_guard lock(mutex);
        if (ended_) return false;
        post();
        return true;
    }

    // The context's end (its destruction has begun): nothing is posted to it from now on, and
    // whatever is still parked for it is abandoned.
    void end();

private:
    bool ended_ = false;
    std::list<std::weak_ptr<Parked>> parked_;
};

// True when the calling thread runs ex's work now (for the executors tasks run on: an io_context,
// or a strand). False for any other kind.
bool runningInThisThread(const Executor& ex);

}  // namespace platform::detail
