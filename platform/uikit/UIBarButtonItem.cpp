#include "platform/uikit/UIBarButtonItem.h"

#include <algorithm>

#include "platform/foundation/Text.h"
#include "platform/uikit/UIWindow.h"

namespace platform {

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::system(SystemItem item) {
    auto b = std::make_shared<UIBarButtonItem>();
    b->systemItem = item;
    if (item == SystemItem::done) b->style = Style::done;
    return b;
}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::titled(std::string title, Style style) {
    auto b = std::make_shared<UIBarButtonItem>();
    b->title = std::move(title);
    b->style = style;
    return b;
}

std::shared_ptr<UIBarButtonItem> UIBarButtonItem::symbol(std::string symbolName, Style style) {
    auto b = std::make_shared<UIBarButtonItem>();
    b->image = std::move(symbolName);
    b->style = style;
    return b;
}

std::string UIBarButtonItem::displayedTitle() const {
    if (!title.empty()) return title;
    switch (systemItem) {
        case SystemItem::done: return "Done";
        case SystemItem::cancel: return "Cancel";
        case SystemItem::add: return "Add";
        default: return "";
    }
}

void UIBarButtonItem::tapped() {
    if (menu && targetActionCount() == 0 && actionCount() == 0) {
        if (UIWindow* w = window()) w->openMenu(shared_from_this(), menu);
        return;
    }
    sendActions(UIControlEvents::touchUpInside | UIControlEvents::primaryActionTriggered);
}

double UIBarButtonItem::nominalWidth() const {
    if (systemItem == SystemItem::flexibleSpace) return 0;
    if (image || systemItem == SystemItem::add) return 44;
    return static_cast<double>(text::graphemeCount(displayedTitle())) * 9 + 16;
}

std::shared_ptr<UIToolbar> UIToolbar::make(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    auto t = std::make_shared<UIToolbar>();
    t->setItems(std::move(items));
    return t;
}

void UIToolbar::setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    const auto old = items_;
    for (const auto& i : old) {
        if (i->superview().get() == this) i->removeFromSuperview();
    }
    items_ = std::move(items);
    for (const auto& i : items_) {
        if (i) addSubview(i);
    }
}

void UIToolbar::didRemoveSubview(UIView& view) {
    items_.erase(std::remove_if(items_.begin(), items_.end(),
                                [&](const std::shared_ptr<UIBarButtonItem>& i) { return i.get() == &view; }),
                 items_.end());
}

void UIToolbar::placeSubviews(const CGSize& size) const {
    double fixed = 0;
    int flexible = 0;
    for (const auto& i : items_) {
        if (i->systemItem == UIBarButtonItem::SystemItem::flexibleSpace) {
            ++flexible;
        } else {
            fixed += i->layoutWidth();
        }
    }
    const double share = flexible ? std::max(0.0, size.width - 16 - fixed) / flexible : 0;
    double x = 8;
    for (const auto& i : items_) {
        const double w = i->systemItem == UIBarButtonItem::SystemItem::flexibleSpace ? share : i->layoutWidth();
        i->setNominalFrame(CGRect(x, 0, w, size.height));
        x += w;
    }
}

}  // namespace platform
