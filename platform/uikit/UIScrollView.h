#pragma once
// A scroll view: its subviews are its content, placed top to bottom at their edges and as tall
// as they need; it shows them through its bounds, which start at the content offset. Insets
// (content and scroll indicators) are recorded as set. scrollRectToVisible() moves the offset
// just enough to show the rectangle (in content coordinates) within the inset bounds, and
// keeps the last request for tests. A refresh control, when set, sits above the content.
#include <memory>
#include <optional>

#include "platform/uikit/UIRefreshControl.h"
#include "platform/uikit/UIView.h"

namespace platform {

class UIScrollView : public UIView {
public:
    enum class KeyboardDismissMode { none, onDrag, interactive };

    struct ScrollRequest {
        CGRect rect;
        bool animated = false;
    };

    static std::shared_ptr<UIScrollView> make() { return std::make_shared<UIScrollView>(); }
    std::string_view kindName() const override { return "ScrollView"; }

    UIEdgeInsets contentInset;
    UIEdgeInsets verticalScrollIndicatorInsets;
    CGPoint contentOffset;
    bool alwaysBounceVertical = false;
    KeyboardDismissMode keyboardDismissMode = KeyboardDismissMode::none;

    void setRefreshControl(std::shared_ptr<UIRefreshControl> control) { refreshControl_ = std::move(control); }
    const std::shared_ptr<UIRefreshControl>& refreshControl() const { return refreshControl_; }

    void scrollRectToVisible(const CGRect& rect, bool animated);
    const std::optional<ScrollRequest>& lastScrollToVisible() const { return lastScrollToVisible_; }
    std::size_t scrollToVisibleCount() const { return scrollToVisibleCount_; }

    // The nominal size of the content.
    CGSize contentSize() const;

    bool fillsRemainingHeight() const override { return true; }
    CGPoint boundsOrigin() const override { return contentOffset; }
    void placeSubviews(const CGSize& size) const override;

private:
    std::shared_ptr<UIRefreshControl> refreshControl_;
    std::optional<ScrollRequest> lastScrollToVisible_;
    std::size_t scrollToVisibleCount_ = 0;
    mutable CGSize contentSize_;
};

}  // namespace platform
