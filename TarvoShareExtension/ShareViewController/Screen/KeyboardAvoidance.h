#pragma once
// The arithmetic that keeps the field being edited above the software keyboard: how a
// keyboard notification is read, how far the keyboard covers the screen, the bottom inset that
// leaves room for it, and the rectangle scrolled into view around a field or a caret.
#include <optional>

#include "platform/uikit/Geometry.h"
#include "platform/uikit/NotificationCenter.h"

namespace tarvo::share {

// Room left between the keyboard and the field scrolled above it.
inline constexpr double kKeyboardInsetMargin = 24;

struct KeyboardAnimation {
    double duration = 0.25;  // seconds; 0.25 when the notification carries no number
    long curve = 0;          // the platform's curve number; 0 when it carries none
};
KeyboardAnimation keyboardAnimation(const platform::Notification& notification);

// How far a keyboard whose top edge lies at keyboardTop (root-view coordinates) covers a root
// view whose bottom edge is rootMaxY, above its bottom safe-area inset; never negative.
double keyboardOverlap(double rootMaxY, double keyboardTop, double bottomSafeAreaInset);

// The overlap after a keyboard notification: 0 when hiding; the overlap of its end frame
// (already converted into root-view coordinates) when it has one; else the previous value.
double keyboardOverlapAfter(bool hiding, const std::optional<platform::CGRect>& endFrameInRoot, double rootMaxY,
                            double bottomSafeAreaInset, double previous);

// The scroll view's bottom content and indicator inset for an overlap: the overlap plus the
// margin while the keyboard covers something, else 0.
double keyboardBottomContentInset(double overlap);

// The rectangle to keep visible, in scroll-view coordinates: a caret grown by 12 points left
// and right and 28 above and below, or a field's bounds grown by 8 and 28.
platform::CGRect caretFocusRect(const platform::CGRect& caret);
platform::CGRect fieldFocusRect(const platform::CGRect& bounds);

}  // namespace tarvo::share
