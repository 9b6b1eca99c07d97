#include "platform/uikit/UIStackView.h"

#include <algorithm>

namespace platform {

std::shared_ptr<UIStackView> UIStackView::make(Axis axis, double spacing, std::vector<std::shared_ptr<UIView>> arranged) {
    auto s = std::make_shared<UIStackView>();
    s->axis = axis;
    s->spacing = spacing;
    for (const auto& v : arranged) s->addArrangedSubview(v);
    return s;
}

void UIStackView::addArrangedSubview(const std::shared_ptr<UIView>& view) { insertArrangedSubview(view, arranged_.size()); }

void UIStackView::insertArrangedSubview(const std::shared_ptr<UIView>& view, std::size_t index) {
    if (!view || view.get() == this) return;
    if (view->superview().get() != this) addSubview(view);
    if (view->superview().get() != this) return;  // refused (a cycle)
    auto it = std::find(arranged_.begin(), arranged_.end(), view);
    if (it != arranged_.end()) {
        const auto old = static_cast<std::size_t>(it - arranged_.begin());
        arranged_.erase(it);
        if (old < index) --index;
    }
    index = std::min(index, arranged_.size());
    arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
}

void UIStackView::removeArrangedSubview(const UIView& view) {
    arranged_.erase(std::remove_if(arranged_.begin(), arranged_.end(),
                                   [&](const std::shared_ptr<UIView>& v) { return v.get() == &view; }),
                    arranged_.end());
}

void UIStackView::removeAllArrangedSubviews() {
    const auto views = arranged_;
    arranged_.clear();
    for (const auto& v : views) v->removeFromSuperview();
}

std::vector<std::shared_ptr<UIView>> UIStackView::visibleArranged() const {
    std::vector<std::shared_ptr<UIView>> out;
    for (const auto& v : arranged_) {
        if (!v->hidden) out.push_back(v);
    }
    return out;
}

namespace {

// Widths of a row's items: their natural widths, the room left going to the item that hugs
// least (the first of equals), or taken from the one that resists compression least.
std::vector<double> rowWidths(const std::vector<std::shared_ptr<UIView>>& items, double available, bool equally) {
    std::vector<double> widths(items.size(), 0);
    if (items.empty()) return widths;
    if (equally) {
        std::fill(widths.begin(), widths.end(), std::max(0.0, available / static_cast<double>(items.size())));
        return widths;
    }
    double used = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        widths[i] = items[i]->layoutWidth();
        used += widths[i];
    }
    const double rest = available - used;
    std::size_t pick = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i]->fixedWidth) continue;
        const auto& p = items[pick];
        const bool better = rest >= 0 ? (p->fixedWidth || items[i]->horizontalHuggingPriority < p->horizontalHuggingPriority)
                                      : (p->fixedWidth || items[i]->horizontalCompressionResistance <
                                                              p->horizontalCompressionResistance);
        if (i != pick && better) pick = i;
    }
    if (!items[pick]->fixedWidth) widths[pick] = std::max(0.0, widths[pick] + rest);
    return widths;
}

}  // namespace

double UIStackView::nominalHeight(double width) const {
    const UIEdgeInsets pad = padding();
    const auto items = visibleArranged();
    const double inner = std::max(0.0, width - pad.left - pad.right);
    double h = 0;
    if (axis == Axis::vertical) {
        for (const auto& v : items) h += v->layoutHeight(alignment == Alignment::fill ? inner : std::min(inner, v->layoutWidth() > 0 ? v->layoutWidth() : inner));
        if (items.size() > 1) h += spacing * static_cast<double>(items.size() - 1);
    } else {
        const double gaps = items.size() > 1 ? spacing * static_cast<double>(items.size() - 1) : 0;
        const auto widths = rowWidths(items, std::max(0.0, inner - gaps), distribution == Distribution::fillEqually);
        for (std::size_t i = 0; i < items.size(); ++i) h = std::max(h, items[i]->layoutHeight(widths[i]));
    }
    return pad.top + h + pad.bottom;
}

double UIStackView::nominalWidth() const {
    const UIEdgeInsets pad = padding();
    const auto items = visibleArranged();
    double w = 0;
    for (const auto& v : items) {
        w = axis == Axis::vertical ? std::max(w, v->layoutWidth()) : w + v->layoutWidth();
    }
    if (axis == Axis::horizontal && items.size() > 1) w += spacing * static_cast<double>(items.size() - 1);
    return pad.left + w + pad.right;
}

void UIStackView::placeSubviews(const CGSize& size) const {
    for (const auto& v : subviews()) {
        if (std::find(arranged_.begin(), arranged_.end(), v) == arranged_.end()) {
            v->setNominalFrame(CGRect(0, 0, size.width, size.height));
        }
    }
    const UIEdgeInsets pad = padding();
    const auto items = visibleArranged();
    const double inner = std::max(0.0, size.width - pad.left - pad.right);
    if (axis == Axis::vertical) {
        double y = pad.top;
        for (const auto& v : items) {
            double w = inner;
            if (alignment != Alignment::fill && v->layoutWidth() > 0) w = std::min(inner, v->layoutWidth());
            double x = pad.left;
            if (alignment == Alignment::center) x += (inner - w) / 2;
            if (alignment == Alignment::trailing) x += inner - w;
            const double h = v->layoutHeight(w);
            v->setNominalFrame(CGRect(x, y, w, h));
            y += h + spacing;
        }
    } else {
        const double gaps = items.size() > 1 ? spacing * static_cast<double>(items.size() - 1) : 0;
        const auto widths = rowWidths(items, std::max(0.0, inner - gaps), distribution == Distribution::fillEqually);
        const double innerHeight = std::max(0.0, size.height - pad.top - pad.bottom);
        double x = pad.left;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const auto& v = items[i];
            double h = alignment == Alignment::fill ? innerHeight : std::min(innerHeight, v->layoutHeight(widths[i]));
            double y = pad.top;
            if (alignment == Alignment::center) y += (innerHeight - h) / 2;
            if (alignment == Alignment::trailing) y += innerHeight - h;
            v->setNominalFrame(CGRect(x, y, widths[i], h));
            x += widths[i] + spacing;
        }
    }
}

}  // namespace platform
