#pragma once
// Haptic feedback without a taptic engine: the window keeps the impacts a screen played (the
// last 256), so tests and screen programs can tell that a person would have felt one.
#include <cstddef>
#include <deque>

namespace platform {

enum class UIImpactFeedbackStyle { light, medium, heavy, soft, rigid };

class UIFeedbackRecord {
public:
    static constexpr std::size_t kKept = 256;

    void impactOccurred(UIImpactFeedbackStyle style) {
        impacts_.push_back(style);
        if (impacts_.size() > kKept) impacts_.pop_front();
    }
    const std::deque<UIImpactFeedbackStyle>& impacts() const { return impacts_; }
    void clear() { impacts_.clear(); }

private:
    std::deque<UIImpactFeedbackStyle> impacts_;
};

// Made for one impact, as on the phone; plays into the window's record.
class UIImpactFeedbackGenerator {
public:
    UIImpactFeedbackGenerator(UIImpactFeedbackStyle style, UIFeedbackRecord& record) : style_(style), record_(record) {}
    void impactOccurred() { record_.impactOccurred(style_); }

private:
    UIImpactFeedbackStyle style_;
    UIFeedbackRecord& record_;
};

}  // namespace platform
