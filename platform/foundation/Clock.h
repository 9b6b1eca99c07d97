#pragma once
// The wall clock: seconds since 1970 in a double, for stored times and the times people read
// (steady-clock deadlines are in platform/concurrency/Deadline.h).
//
// The process has one wall clock, and platform::nowEpochSeconds() reads it from any thread. It
// gives the real time unless a fixed Clock is alive: Clock::fixedAt(t) is the one way to fix it,
// used by a program that serves a request as of a moment (tarvo-widgets --now) and by tests.
// While fixed, every reader in the process sees the fixed time; the clock fixed last wins, and
// when it goes the one fixed before it (or the real time) comes back.
#include <cstdint>
#include <memory>

namespace platform {

// The time now, on the one wall clock.
double nowEpochSeconds();

// A moment as a calendar and a clock on the wall show it in the local time zone ($TZ).
struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1...12
    int day = 1;    // 1...31
    int hour = 0;
    int minute = 0;
    int second = 0;  // 0...60
};
LocalDateTime localDateTime(std::int64_t epochSeconds);

// A program's wall clock as its environment holds it: the real one, or one fixed at a moment
// for as long as this value or a copy of it lives. Copies share the fixed time.
class Clock {
public:
    // The real time (the default).
    Clock() = default;
    static Clock real() { return Clock(); }
    // Fixes the process's clock at epochSeconds until the last copy of the result goes away.
    static Clock fixedAt(double epochSeconds);

    // nowEpochSeconds(): the fixed time while any fixed clock lives, whichever Clock asks.
    double now() const;
    bool isFixed() const noexcept { return fixed_ != nullptr; }
    // Move a fixed clock's time (std::logic_error on the real clock).
    void set(double epochSeconds) const;
    void advance(double seconds) const;

    struct Fixed;

private:
    std::shared_ptr<Fixed> fixed_;
};

}  // namespace platform
