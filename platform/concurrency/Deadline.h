#pragma once
// Time limits on the steady clock (never the wall clock, which can jump) and the cancellable
// sleep.
#include "platform/concurrency/Async.h"

#include <chrono>
#include <limits>

namespace platform {

// A point on the steady clock by which something must be done. Durations saturate instead of
// overflowing, so "after(hours::max())" is simply "never".
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    static Deadline at(Clock::time_point when) { return Deadline(when); }
    static Deadline never() { return Deadline(Clock::time_point::max()); }

    template <class Rep, class Period>
    static Deadline after(std::chrono::duration<Rep, Period> d) {
        return afterNanoseconds(saturatedNanoseconds(d));
    }
    static Deadline afterNanoseconds(std::chrono::nanoseconds d);

    Clock::time_point when() const { return when_; }
    bool isNever() const { return when_ == Clock::time_point::max(); }
    bool hasExpired() const { return !isNever() && Clock::now() >= when_; }
    // Time left, never negative.
    std::chrono::nanoseconds remaining() const;

    // A duration converted to nanoseconds, clamped to the representable range (negative stays
    // negative; NaN of a floating duration becomes zero).
    template <class Rep, class Period>
    static std::chrono::nanoseconds saturatedNanoseconds(std::chrono::duration<Rep, Period> d) {
        using Wide = std::chrono::duration<long double, std::nano>;
        const long double n = std::chrono::duration_cast<Wide>(d).count();
        if (n != n) return std::chrono::nanoseconds::zero();
        constexpr auto hi = std::numeric_limits<std::chrono::nanoseconds::rep>::max();
        constexpr auto lo = std::numeric_limits<std::chrono::nanoseconds::rep>::min();
        if (n >= static_cast<long double>(hi)) return std::chrono::nanoseconds(hi);
        if (n <= static_cast<long double>(lo)) return std::chrono::nanoseconds(lo);
        return std::chrono::nanoseconds(static_cast<std::chrono::nanoseconds::rep>(n));
    }

    friend bool operator==(const Deadline&, const Deadline&) = default;
    friend auto operator<=>(const Deadline& a, const Deadline& b) { return a.when_ <=> b.when_; }

private:
    explicit Deadline(Clock::time_point when) : when_(when) {}
    Clock::time_point when_;
};

// Suspends the current task for the duration on a steady timer of its own executor. A zero or
// negative duration still gives other work on the executor a turn. Throws CancellationError at
// once when the task is already cancelled, and promptly when it is cancelled while sleeping.
Async<void> sleepForNanoseconds(std::chrono::nanoseconds d);

template <class Rep, class Period>
Async<void> sleepFor(std::chrono::duration<Rep, Period> d) {
    return sleepForNanoseconds(Deadline::saturatedNanoseconds(d));
}

// Suspends until the deadline (at once when it has passed); cancellable like sleepFor.
Async<void> sleepUntil(Deadline deadline);

}  // namespace platform
