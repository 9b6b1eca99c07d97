#include "platform/uikit/UIView.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/uikit/UIWindow.h"

namespace platform {

UIView::~UIView() = default;

std::shared_ptr<UIView> UIView::make() { return std::make_shared<UIView>(); }

// ---- Hierarchy

void UIView::addSubview(const std::shared_ptr<UIView>& view) { insertSubview(view, subviews_.size()); }

void UIView::insertSubview(const std::shared_ptr<UIView>& view, std::size_t index) {
    if (!view || view.get() == this || isDescendant(*view)) return;
    const std::shared_ptr<UIView> keep = view;  // the old superview may hold the only reference
    if (view->superview().get() == this) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const auto old = static_cast<std::size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (old < index) --index;
    } else {
        view->removeFromSuperview();
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->superview_ = weak_from_this();
}

void UIView::removeFromSuperview() {
    if (!superview_.lock()) return;
    const std::shared_ptr<UIView> keep = shared_from_this();
    // Leaving the window ends editing in the views that leave with it. The delegate hears of it
    // and may change the tree, so the superview is looked at again afterwards.
    if (UIWindow* w = window()) {
        if (auto responder = w->firstResponder(); responder && responder->isDescendant(*this)) {
            responder->forceResign();
        }
    }
    auto parent = superview_.lock();
    if (!parent) return;
    auto& siblings = parent->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
    superview_.reset();
    parent->didRemoveSubview(*this);
}

void UIView::removeAllSubviews() {
    const auto views = subviews_;
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        if ((*it)->superview().get() == this) (*it)->removeFromSuperview();
    }
}

bool UIView::isDescendant(const UIView& other) const {
    for (const UIView* v = this; v; v = v->superview_.lock().get()) {
        if (v == &other) return true;
    }
    return false;
}

const UIView& UIView::rootView() const {
    const UIView* v = this;
    while (auto p = v->superview_.lock()) v = p.get();
    return *v;
}

UIView& UIView::rootView() { return const_cast<UIView&>(static_cast<const UIView*>(this)->rootView()); }

UIWindow* UIView::window() const { return rootView().hostWindow_; }

bool UIView::isVisibleInHierarchy() const {
    for (const UIView* v = this; v; v = v->superview_.lock().get()) {
        if (v->hidden || v->alpha <= 0.01) return false;
    }
    return true;
}

// ---- First responder

bool UIView::isFirstResponder() const {
    UIWindow* w = window();
    return w && w->firstResponder().get() == this;
}

bool UIView::becomeFirstResponder() {
    if (!canBecomeFirstResponder()) return false;
    UIWindow* w = window();
    if (!w) return false;
    if (isFirstResponder()) return true;
    if (auto current = w->firstResponder()) {
        if (!current->resignFirstResponder()) return false;
    }
    if (!shouldBeginEditing()) return false;
    w->setFirstResponder(shared_from_this());
    didBeginEditing();
    return true;
}

bool UIView::resignFirstResponder() {
    if (!isFirstResponder()) return true;
    if (!shouldEndEditing()) return false;
    if (UIWindow* w = window()) w->setFirstResponder(nullptr);
    didEndEditing();
    return true;
}

void UIView::forceResign() {
    if (!isFirstResponder()) return;
    if (UIWindow* w = window()) w->setFirstResponder(nullptr);
    didEndEditing();
}

bool UIView::endEditing(bool force) {
    UIWindow* w = window();
    if (!w) return true;
    auto responder = w->firstResponder();
    if (!responder || !responder->isDescendant(*this)) return true;
    if (force) {
        responder->forceResign();
        return true;
    }
    return responder->resignFirstResponder();
}

// ---- Nominal geometry

CGSize UIView::intrinsicContentSize() const { return {-1, -1}; }

double UIView::nominalWidth() const { return 0; }

double UIView::nominalHeight(double width) const {
    // A plain view is as tall as the column its visible subviews make.
    double h = 0;
    for (const auto& s : subviews_) {
        if (s->hidden) continue;
        const double w = std::max(0.0, width - s->edgesInSuperview.left - s->edgesInSuperview.right);
        h += s->edgesInSuperview.top + s->layoutHeight(w) + s->edgesInSuperview.bottom;
    }
    return h;
}

namespace {

// Sizes measured during one layout pass. A stack asks its children for their sizes, and each
// level places its subviews again, so without this a deep tree is measured over and over.
struct LayoutCache {
    std::unordered_map<const UIView*, double> widths;
    std::map<std::pair<const UIView*, double>, double> heights;
};
thread_local LayoutCache* activeCache = nullptr;

}  // namespace

double UIView::layoutHeight(double width) const {
    if (fixedHeight) return *fixedHeight;
    if (activeCache) {
        if (auto it = activeCache->heights.find({this, width}); it != activeCache->heights.end()) return it->second;
    }
    double h = nominalHeight(width);
    if (minimumHeight) h = std::max(h, *minimumHeight);
    if (activeCache) activeCache->heights[{this, width}] = h;
    return h;
}

double UIView::layoutWidth() const {
    if (fixedWidth) return *fixedWidth;
    if (activeCache) {
        if (auto it = activeCache->widths.find(this); it != activeCache->widths.end()) return it->second;
    }
    const double w = nominalWidth();
    if (activeCache) activeCache->widths[this] = w;
    return w;
}

void UIView::placeSubviews(const CGSize& size) const {
    // Subviews top to bottom at their edges; a scroll view takes the height the others leave.
    UIEdgeInsets area;
    if (hostWindow_ && !superview_.lock()) area = hostWindow_->safeAreaInsets();
    const double width = std::max(0.0, size.width - area.left - area.right);
    const double height = std::max(0.0, size.height - area.top - area.bottom);
    std::vector<double> heights(subviews_.size(), 0);
    double used = 0;
    int fillers = 0;
    for (std::size_t i = 0; i < subviews_.size(); ++i) {
        const auto& s = *subviews_[i];
        const auto& e = s.edgesInSuperview;
        used += e.top + e.bottom;
        if (s.fillsRemainingHeight() && !s.fixedHeight) {
            ++fillers;
            continue;
        }
        const double w = s.fixedWidth ? *s.fixedWidth : std::max(0.0, width - e.left - e.right);
        heights[i] = s.layoutHeight(w);
        used += heights[i];
    }
    const double share = fillers ? std::max(0.0, height - used) / fillers : 0;
    double y = area.top;
    for (std::size_t i = 0; i < subviews_.size(); ++i) {
        const auto& s = *subviews_[i];
        const auto& e = s.edgesInSuperview;
        const double h = (s.fillsRemainingHeight() && !s.fixedHeight) ? share : heights[i];
        const double w = s.fixedWidth ? *s.fixedWidth : std::max(0.0, width - e.left - e.right);
        s.frame_ = CGRect(area.left + e.left, y + e.top, w, h);
        y += e.top + h + e.bottom;
    }
}

namespace {

void layoutSubtree(const UIView& v) {
    v.placeSubviews(v.nominalFrame().size);
    for (const auto& s : v.subviews()) layoutSubtree(*s);
}

}  // namespace

void UIView::runLayout() const {
    // A pass started inside another (a view measuring itself) reuses its measurements.
    LayoutCache cache;
    LayoutCache* const outer = activeCache;
    if (!outer) activeCache = &cache;
    struct Restore {
        LayoutCache* outer;
        ~Restore() { activeCache = outer; }
    } restore{outer};
    const UIView& root = rootView();
    if (!root.hostWindow_) {
        const double width = root.frame_.size.width > 0 ? root.frame_.size.width : 390;
        root.frame_ = CGRect(root.frame_.origin.x, root.frame_.origin.y, width, root.layoutHeight(width));
    }
    layoutSubtree(root);
}

CGRect UIView::frame() const {
    runLayout();
    return frame_;
}

CGRect UIView::bounds() const {
    runLayout();
    const CGPoint o = boundsOrigin();
    return CGRect(o.x, o.y, frame_.size.width, frame_.size.height);
}

namespace {

// The origin of v's bounds in the coordinates of its tree's root (the window for a root in one).
CGPoint originInRoot(const UIView& v) {
    CGPoint p{-v.boundsOrigin().x, -v.boundsOrigin().y};
    const UIView* cur = &v;
    while (true) {
        p.x += cur->nominalFrame().origin.x;
        p.y += cur->nominalFrame().origin.y;
        auto parent = cur->superview();
        if (!parent) break;
        p.x -= parent->boundsOrigin().x;
        p.y -= parent->boundsOrigin().y;
        cur = parent.get();
    }
    return p;
}

}  // namespace

CGRect UIView::convert(const CGRect& rect, const UIView* view) const {
    runLayout();
    const CGPoint from = originInRoot(*this);
    CGPoint to{0, 0};
    if (view) {
        if (&view->rootView() != &rootView()) view->runLayout();
        to = originInRoot(*view);
    }
    return rect.offsetBy(from.x - to.x, from.y - to.y);
}

UIEdgeInsets UIView::safeAreaInsets() const {
    UIWindow* w = window();
    if (!w) return {};
    const CGRect r = convert(bounds(), nullptr);
    const CGRect b = w->bounds();
    const UIEdgeInsets safe = w->safeAreaInsets();
    auto clampInset = [](double v, double extent) { return std::clamp(v, 0.0, std::max(0.0, extent)); };
    return {clampInset(safe.top - r.minY(), r.size.height), clampInset(safe.left - r.minX(), r.size.width),
            clampInset(r.maxY() - (b.size.height - safe.bottom), r.size.height),
            clampInset(r.maxX() - (b.size.width - safe.right), r.size.width)};
}

void UIView::sizeToFit() {
    const double w = nominalWidth();
    fixedWidth = w;
    fixedHeight = nominalHeight(w);
}

CGRect UIView::convertFromWindow(const CGRect& rect) const {
    runLayout();
    const CGPoint o = originInRoot(*this);
    return rect.offsetBy(-o.x, -o.y);
}

}  // namespace platform
