#include "platform/foundation/Clock.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace platform {

struct Clock::Fixed {
    double now = 0;  // guarded by clockMutex()
    ~Fixed();
};

namespace {

// Guards the fixed clocks and their times. A reader on another thread (a network callback, a
// timer) may be reading while a fixed clock goes away; it sees that clock or the one beneath.
std::mutex& clockMutex() {
    static std::mutex m;
    return m;
}

// The fixed clocks alive, oldest first; the last one gives the time.
std::vector<Clock::Fixed*>& fixedClocks() {
    static std::vector<Clock::Fixed*> clocks;
    return clocks;
}

}  // namespace

Clock::Fixed::~Fixed() {
    std::lock_guard lock(clockMutex());
    auto& clocks = fixedClocks();
    clocks.erase(std::remove(clocks.begin(), clocks.end(), this), clocks.end());
}

LocalDateTime localDateTime(std::int64_t epochSeconds) {
    const std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm fields{};
    LocalDateTime out;
    if (!::localtime_r(&t, &fields)) return out;
    out.year = fields.tm_year + 1900;
    out.month = fields.tm_mon + 1;
    out.day = fields.tm_mday;
    out.hour = fields.tm_hour;
    out.minute = fields.tm_min;
    out.second = fields.tm_sec;
    return out;
}

double nowEpochSeconds() {
    {
        std::lock_guard lock(clockMutex());
        const auto& clocks = fixedClocks();
        if (!clocks.empty()) return clocks.back()->now;
    }
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

Clock Clock::fixedAt(double epochSeconds) {
    Clock clock;
    clock.fixed_ = std::make_shared<Fixed>();
    std::lock_guard lock(clockMutex());
    clock.fixed_->now = epochSeconds;
    fixedClocks().push_back(clock.fixed_.get());
    return clock;
}

double Clock::now() const { return nowEpochSeconds(); }

void Clock::set(double epochSeconds) const {
    if (!fixed_) throw std::logic_error("the real clock cannot be set");
    std::lock_guard lock(clockMutex());
    fixed_->now = epochSeconds;
}

void Clock::advance(double seconds) const {
    if (!fixed_) throw std::logic_error("the real clock cannot be advanced");
    std::lock_guard lock(clockMutex());
    fixed_->now += seconds;
}

}  // namespace platform
