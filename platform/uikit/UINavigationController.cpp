#include "platform/uikit/UINavigationController.h"

#include <algorithm>

#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UISearchController.h"

namespace platform {

// ---- UINavigationItem

void UINavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    left_ = std::move(items);
    changed();
}

void UINavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) {
    right_ = std::move(items);
    changed();
}

void UINavigationItem::setSearchController(std::shared_ptr<UISearchController> controller) {
    search_ = std::move(controller);
    changed();
}

void UINavigationItem::changed() {
    if (auto bar = bar_.lock()) bar->syncItems();
}

// ---- UINavigationBar

void UINavigationBar::show(const std::shared_ptr<UIViewController>& controller) {
    controller_ = controller;
    if (controller) controller->navigationItem().attach(std::static_pointer_cast<UINavigationBar>(shared_from_this()));
    syncItems();
}

const UINavigationItem* UINavigationBar::item() const {
    auto c = controller_.lock();
    return c ? &c->navigationItem() : nullptr;
}

void UINavigationBar::syncItems() {
    removeAllSubviews();
    const UINavigationItem* i = item();
    if (!i) return;
    for (const auto& b : i->leftBarButtonItems()) {
        if (b) addSubview(b);
    }
    const auto& right = i->rightBarButtonItems();
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        if (*it) addSubview(*it);
    }
    if (const auto& search = i->searchController()) addSubview(search->searchBar());
}

double UINavigationBar::nominalHeight(double) const {
    const UINavigationItem* i = item();
    double h = 44;
    if (i && !i->prompt.empty()) h += 30;
    if (i && i->searchController()) h += 52;
    return h;
}

void UINavigationBar::placeSubviews(const CGSize& size) const {
    const UINavigationItem* i = item();
    const double top = (i && !i->prompt.empty()) ? 30 : 0;
    double left = 8;
    double right = size.width - 8;
    for (const auto& v : subviews()) {
        if (i && i->searchController() && v == i->searchController()->searchBar()) {
            v->setNominalFrame(CGRect(16, top + 44 + 8, std::max(0.0, size.width - 32), 36));
            continue;
        }
        const double w = v->layoutWidth();
        const bool leading = std::any_of(i->leftBarButtonItems().begin(), i->leftBarButtonItems().end(),
                                         [&](const auto& b) { return b == v; });
        if (leading) {
            v->setNominalFrame(CGRect(left, top, w, 44));
            left += w;
        } else {
            right -= w;
            v->setNominalFrame(CGRect(right, top, w, 44));
        }
    }
}

// ---- UINavigationController

std::shared_ptr<UINavigationController> UINavigationController::make(const std::shared_ptr<UIViewController>& root) {
    auto nav = std::make_shared<UINavigationController>();
    nav->addChild(root);
    return nav;
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const {
    return children().empty() ? nullptr : children().back();
}

void UINavigationController::loadView() {
    auto root = UIView::make();
    root->addSubview(bar_);
    if (auto top = topViewController()) {
        auto content = top->view();
        content->edgesInSuperview = {};
        root->addSubview(content);
        bar_->show(top);
    }
    setView(root);
}

void UINavigationController::viewWillAppear() {
    (void)view();
    if (auto top = topViewController()) top->viewWillAppear();
}

}  // namespace platform
