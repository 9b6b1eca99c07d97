#pragma once
// The wall clock, as seconds since 1970 in a double. Tests can install a fake.
#include <functional>
#include <memory>

namespace platform {
double nowEpochSeconds();
// Installs a fake clock for the whole process (nullptr restores the real one).
void setClockForTesting(std::function<double()> clock);

// RAII helper for tests: a fixed time that can be advanced.
class ScopedFakeClock {
public:
    explicit ScopedFakeClock(double start);
    ~ScopedFakeClock();
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;
    void set(double t);
    void advance(double seconds);
    double now() const;

private:
    struct State;
    // Shared with the installed clock function, which a reader on another thread may still be
    // calling when this object goes away.
    std::shared_ptr<State> state_;
};
}  // namespace platform
