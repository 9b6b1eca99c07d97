#include "platform/uikit/UIViewAnimator.h"

#include "platform/uikit/UIView.h"

namespace platform {

void UIViewAnimator::record(AnimationRecord r) {
    records_.push_back(std::move(r));
    while (records_.size() > 256) records_.pop_front();
}

void UIViewAnimator::animate(double duration, double delay, unsigned long options,
                             const std::function<void()>& animations,
                             const std::function<void(bool)>& completion) {
    record({AnimationRecord::Kind::animate, duration, delay, options, {}});
    if (animations) animations();
    if (completion) completion(true);
}

void UIViewAnimator::transition(const UIView& view, double duration, unsigned long options,
                                const std::function<void()>& animations,
                                const std::function<void(bool)>& completion) {
    record({AnimationRecord::Kind::transition, duration, 0, options, view.role});
    if (animations) animations();
    if (completion) completion(true);
}

}  // namespace platform
