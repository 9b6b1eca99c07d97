#include "TarvoShareExtension/ShareViewController/Screen/KeyboardAvoidance.h"

#include <algorithm>
#include <cmath>

namespace tarvo::share {

KeyboardAnimation keyboardAnimation(const platform::Notification& notification) {
    KeyboardAnimation a;
    if (auto duration = notification.number(platform::UIKeyboard::animationDurationKey); duration && std::isfinite(*duration)) {
        a.duration = *duration;
    }
    if (auto curve = notification.number(platform::UIKeyboard::animationCurveKey);
        curve && std::isfinite(*curve) && std::fabs(*curve) < 1e9) {
        a.curve = static_cast<long>(*curve);
    }
    return a;
}

double keyboardOverlap(double rootMaxY, double keyboardTop, double bottomSafeAreaInset) {
    const double overlap = rootMaxY - keyboardTop - bottomSafeAreaInset;
    return std::isfinite(overlap) ? std::max(0.0, overlap) : 0.0;
}

double keyboardOverlapAfter(bool hiding, const std::optional<platform::CGRect>& endFrameInRoot, double rootMaxY,
                            double bottomSafeAreaInset, double previous) {
    if (hiding) return 0;
    if (!endFrameInRoot) return previous;
    return keyboardOverlap(rootMaxY, endFrameInRoot->minY(), bottomSafeAreaInset);
}

double keyboardBottomContentInset(double overlap) { return overlap > 0 ? overlap + kKeyboardInsetMargin : 0; }

platform::CGRect caretFocusRect(const platform::CGRect& caret) { return caret.outsetBy(12, 28); }

platform::CGRect fieldFocusRect(const platform::CGRect& bounds) { return bounds.outsetBy(8, 28); }

}  // namespace tarvo::share
