#include "platform/uikit/UIScrollView.h"

#include <algorithm>

namespace platform {

void UIScrollView::placeSubviews(const CGSize& size) const {
    double y = 0;
    double width = 0;
    for (const auto& s : subviews()) {
        const auto& e = s->edgesInSuperview;
        const double w = s->fixedWidth ? *s->fixedWidth : std::max(0.0, size.width - e.left - e.right);
        const double h = s->layoutHeight(w);
        s->setNominalFrame(CGRect(e.left, y + e.top, w, h));
        y += e.top + h + e.bottom;
        width = std::max(width, e.left + w + e.right);
    }
    contentSize_ = {width, y};
}

CGSize UIScrollView::contentSize() const {
    (void)frame();  // runs the layout
    return contentSize_;
}

void UIScrollView::scrollRectToVisible(const CGRect& rect, bool animated) {
    lastScrollToVisible_ = ScrollRequest{rect, animated};
    ++scrollToVisibleCount_;
    const CGRect f = frame();
    const double visible = f.size.height - contentInset.top - contentInset.bottom;
    double y = contentOffset.y;
    if (rect.maxY() > y + contentInset.top + visible) y = rect.maxY() - contentInset.top - visible;
    if (rect.minY() < y + contentInset.top) y = rect.minY() - contentInset.top;
    const double lowest = -contentInset.top;
    const double highest = std::max(lowest, contentSize_.height + contentInset.bottom - f.size.height);
    contentOffset.y = std::clamp(y, lowest, highest);
}

}  // namespace platform
