#pragma once
// The base of every in-memory view. It stands in for the platform's view: a node of a tree that
// is owned from the top (a view owns its subviews through shared_ptr and knows its superview
// only weakly), with the properties the screens set on it and nothing drawn. Create views with
// the make() builders; a view that is not owned by a shared_ptr cannot take subviews.
//
// Identity for tests and the driver: `role` is the name the screen's code gives the view (a
// controller field's name such as "sendButton", or "serverRow:a" for a view built per server);
// `accessibilityIdentifier` and `accessibilityLabel` are the platform's own.
//
// Colours are tokens (UIColor) resolved only by the renderers. An unset optional colour means
// the platform's default for that view.
//
// Geometry: there is no window system to lay views out, so frames are nominal: estimated from
// stacks, spacings, margins, fixed sizes and text lengths (see frame()). They keep the order and
// nesting of views right, which is what focus scrolling and caret rectangles need; the HTML page
// is laid out by the browser and ignores them.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/uikit/Geometry.h"
#include "platform/uikit/UIColor.h"

namespace platform {

class UIWindow;

class UIView : public std::enable_shared_from_this<UIView> {
public:
    UIView() = default;
    virtual ~UIView();
    UIView(const UIView&) = delete;
    UIView& operator=(const UIView&) = delete;

    // A plain view: a container, a flexible spacer, a row's background.
    static std::shared_ptr<UIView> make();

    // The kind as dumps and pages name it ("View", "Label", "Button", ...).
    virtual std::string_view kindName() const { return "View"; }

    // ---- Identity
    std::string role;
    std::string accessibilityIdentifier;
    std::string accessibilityLabel;
    // The view reads as one element with accessibilityLabel, hiding its subviews' texts from
    // assistive technology (the texts stay visible).
    bool isAccessibilityElement = false;

    // ---- Appearance
    bool hidden = false;
    double alpha = 1;
    std::optional<UIColor> backgroundColor;
    std::optional<UIColor> tintColor;
    double cornerRadius = 0;
    bool continuousCorners = false;
    double borderWidth = 0;
    std::optional<UIColor> borderColor;  // unset: black, the platform's default border colour
    bool clipsToBounds = false;
    bool userInteractionEnabled = true;

    // ---- Layout
    // Margins inside the view that stacks arrange relative to (when asked to) and that a
    // control's content is pinned to. The platform's default is 8 on every edge.
    UIEdgeInsets layoutMargins = UIEdgeInsets::all(8);
    // Where constraints hold this view inside its superview (or, for a subview of a
    // controller's root view, inside the safe area): the distance of each edge from the
    // superview's matching edge. Plain views and scroll views place their subviews with it;
    // stacks ignore it.
    UIEdgeInsets edgesInSuperview;
    std::optional<double> fixedWidth;
    std::optional<double> fixedHeight;
    std::optional<double> minimumHeight;
    // Priorities of 1 to 1000: a low hugging priority lets the view grow in a row, a low
    // compression resistance lets it shrink first.
    double horizontalHuggingPriority = 250;
    double horizontalCompressionResistance = 750;

    // ---- Hierarchy
    std::shared_ptr<UIView> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    // Moves view here (out of any earlier superview), on top of the other subviews.
    void addSubview(const std::shared_ptr<UIView>& view);
    void insertSubview(const std::shared_ptr<UIView>& view, std::size_t index);
    void removeFromSuperview();
    // Removes every subview (a convenience over removeFromSuperview of each).
    void removeAllSubviews();
    // True when this view is other or lies below it.
    bool isDescendant(const UIView& other) const;
    // The window the view's tree is shown in; nullptr when it is not in one.
    UIWindow* window() const;
    // The topmost ancestor (the view itself when it has no superview).
    const UIView& rootView() const;
    UIView& rootView();

    // Neither it nor an ancestor is hidden or transparent (alpha at most 0.01).
    bool isVisibleInHierarchy() const;

    // ---- First responder (text input)
    virtual bool canBecomeFirstResponder() const { return false; }
    bool isFirstResponder() const;
    // Makes this view the window's first responder, ending editing in the previous one first.
    // False when it cannot be one, is not in a window, or the delegate refuses.
    virtual bool becomeFirstResponder();
    // False when the view is not the first responder or its delegate refuses to end.
    virtual bool resignFirstResponder();
    // Ends editing in this view or any view below it. With force, delegates are not asked.
    bool endEditing(bool force);

    // ---- Nominal geometry (see the header comment)
    // Frame in the superview's coordinates and bounds in the view's own, from a nominal layout
    // of the whole tree run on each call. A tree in a window starts from the window's frame
    // for its root; a detached tree starts 390 points wide.
    CGRect frame() const;
    CGRect bounds() const;
    // Converts a rectangle from this view's coordinates into view's (nullptr: the window's).
    CGRect convert(const CGRect& rect, const UIView* view) const;
    // Converts a rectangle given in window coordinates into this view's.
    CGRect convertFromWindow(const CGRect& rect) const;
    // Requests a layout pass, as the screen's code does before it reads geometry. Frames are
    // computed on demand here, so there is never a pass pending.
    void layoutIfNeeded() const {}
    virtual CGSize intrinsicContentSize() const;
    // How far the window's safe area (its notch and home-indicator margins) reaches into the
    // view on each edge; zero for a view outside a window.
    UIEdgeInsets safeAreaInsets() const;
    // Fixes the view's size to its natural size, as views sized by their frame (a field's right
    // view) are sized.
    virtual void sizeToFit();

    // ---- Used by the nominal layout; subclasses describe their own content.
    // The natural height at the given width (before fixedHeight and minimumHeight).
    virtual double nominalHeight(double width) const;
    // The natural width in a row (before fixedWidth); 0 means it takes what is left.
    virtual double nominalWidth() const;
    // Places the subviews inside bounds of the given size (their frame_).
    virtual void placeSubviews(const CGSize& size) const;
    double layoutHeight(double width) const;
    double layoutWidth() const;
    // The offset subtracted from subview positions (a scroll view's content offset).
    virtual CGPoint boundsOrigin() const { return {}; }

    // The window the tree of a controller's root view is shown in (set by UIWindow).
    void setHostWindow(UIWindow* window) { hostWindow_ = window; }
    // Nominal frame assigned by the layout.
    void setNominalFrame(const CGRect& r) const { frame_ = r; }
    const CGRect& nominalFrame() const { return frame_; }

    // A scroll view placed in a plain view takes the height the other subviews leave.
    virtual bool fillsRemainingHeight() const { return false; }

protected:
    // Called after a subview was removed, so subclasses keep their own lists right.
    virtual void didRemoveSubview(UIView& view) {}

    // Editing hooks for views that take text input; the defaults accept and do nothing.
    virtual bool shouldBeginEditing() { return true; }
    virtual void didBeginEditing() {}
    virtual bool shouldEndEditing() { return true; }
    virtual void didEndEditing() {}

private:
    friend class UIWindow;
    void runLayout() const;
    // Ends editing without asking the delegate (the view leaves the window).
    void forceResign();

    std::weak_ptr<UIView> superview_;
    std::vector<std::shared_ptr<UIView>> subviews_;
    UIWindow* hostWindow_ = nullptr;
    mutable CGRect frame_;
};

}  // namespace platform
