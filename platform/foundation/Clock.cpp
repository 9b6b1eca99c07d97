#include "platform/foundation/Clock.h"

#include <chrono>
#include <memory>
#include <mutex>

namespace platform {
namespace {

std::mutex& clockMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<std::function<double()>>& installedClock() {
    static std::shared_ptr<std::function<double()>> clock;
    return clock;
}

}  // namespace

double nowEpochSeconds() {
    std::shared_ptr<std::function<double()>> clock;
    {
        std::lock_guard lock(clockMutex());
        clock = installedClock();
    }
    if (clock && *clock) return (*clock)();
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void setClockForTesting(std::function<double()> clock) {
    std::lock_guard lock(clockMutex());
    if (clock)
        installedClock() = std::make_shared<std::function<double()>>(std::move(clock));
    else
        installedClock().reset();
}

struct ScopedFakeClock::State {
    mutable std::mutex mutex;
    double now = 0;
};

ScopedFakeClock::ScopedFakeClock(double start) : state_(std::make_shared<State>()) {
    state_->now = start;
    setClockForTesting([s = state_] {
        std::lock_guard lock(s->mutex);
        return s->now;
    });
}

ScopedFakeClock::~ScopedFakeClock() { setClockForTesting(nullptr); }

void ScopedFakeClock::set(double t) {
    std::lock_guard lock(state_->mutex);
    state_->now = t;
}

void ScopedFakeClock::advance(double seconds) {
    std::lock_guard lock(state_->mutex);
    state_->now += seconds;
}

double ScopedFakeClock::now() const {
    std::lock_guard lock(state_->mutex);
    return state_->now;
}

}  // namespace platform
