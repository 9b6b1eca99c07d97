#pragma once
// The window's animator. Without a screen to animate on, a block runs at once and its
// completion follows at once with finished = true; what was asked for (duration, delay,
// options with the curve in bits 16-19, the view of a transition) is recorded so tests can see
// how a change would have been animated. The record keeps the last 256 requests.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace platform {

class UIView;

struct UIViewAnimationOptions {
    static constexpr unsigned long allowUserInteraction = 1ul << 1;
    static constexpr unsigned long beginFromCurrentState = 1ul << 2;
    static constexpr unsigned long transitionCrossDissolve = 5ul << 20;
    // The option bits of an animation curve number (the keyboard's curve value).
    static constexpr unsigned long curve(long value) { return static_cast<unsigned long>(value & 0xF) << 16; }
};

struct AnimationRecord {
    enum class Kind { animate, transition };
    Kind kind = Kind::animate;
    double duration = 0;
    double delay = 0;
    unsigned long options = 0;
    std::string viewRole;  // the transition's view, by role

    long curve() const { return static_cast<long>((options >> 16) & 0xF); }
};

class UIViewAnimator {
public:
    void animate(double duration, double delay, unsigned long options, const std::function<void()>& animations,
                 const std::function<void(bool finished)>& completion = {});
    void transition(const UIView& view, double duration, unsigned long options,
                    const std::function<void()>& animations,
                    const std::function<void(bool finished)>& completion = {});

    const std::deque<AnimationRecord>& records() const { return records_; }
    void clearRecords() { records_.clear(); }

private:
    void record(AnimationRecord r);
    std::deque<AnimationRecord> records_;
};

}  // namespace platform
