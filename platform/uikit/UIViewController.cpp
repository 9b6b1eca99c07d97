#include "platform/uikit/UIViewController.h"

#include <algorithm>

#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIWindow.h"

namespace platform {

UIViewController::~UIViewController() = default;

void UIViewController::loadView() { setView(UIView::make()); }

const std::shared_ptr<UIView>& UIViewController::view() {
    if (!view_ && !loading_) {
        loading_ = true;
        loadView();
        if (!view_) setView(UIView::make());
        loading_ = false;
        viewDidLoad();
    }
    return view_;
}

void UIViewController::addChild(const std::shared_ptr<UIViewController>& child) {
    if (!child || child.get() == this) return;
    child->removeFromParent();
    children_.push_back(child);
    child->parent_ = weak_from_this();
}

void UIViewController::removeFromParent() {
    auto p = parent_.lock();
    if (!p) return;
    auto& siblings = p->children_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [&](const std::shared_ptr<UIViewController>& c) { return c.get() == this; }),
                   siblings.end());
    parent_.reset();
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const {
    for (auto p = parent_.lock(); p; p = p->parent_.lock()) {
        if (auto nav = std::dynamic_pointer_cast<UINavigationController>(p)) return nav;
    }
    return nullptr;
}

UIViewController* UIViewController::outermost() {
    UIViewController* c = this;
    while (auto p = c->parent_.lock()) c = p.get();
    return c;
}

const UIViewController* UIViewController::outermost() const {
    const UIViewController* c = this;
    while (auto p = c->parent_.lock()) c = p.get();
    return c;
}

UIWindow* UIViewController::window() const { return outermost()->window_; }

std::shared_ptr<UIViewController> UIViewController::presentedViewController() const { return outermost()->presented_; }

std::shared_ptr<UIViewController> UIViewController::presentingViewController() const {
    return outermost()->presenting_.lock();
}

void UIViewController::present(const std::shared_ptr<UIViewController>& controller, bool,
                               const std::function<void()>& completion) {
    if (!controller) return;
    UIViewController* host = outermost();
    UIWindow* w = host->window_;
    if (!w) return;  // not on screen: the platform ignores the request
    if (host->presented_) {
        w->addWarning("Attempt to present " + std::string(controller->kindName()) + " \"" + controller->title +
                      "\" on " + std::string(host->kindName()) + " which is already presenting " +
                      std::string(host->presented_->kindName()));
        return;
    }
    if (controller->window_ || controller->parent()) {
        w->addWarning("Attempt to present " + std::string(controller->kindName()) + " that is already shown");
        return;
    }
    w->closeMenu();
    host->presented_ = controller;
    controller->presenting_ = host->weak_from_this();
    w->install(*controller);
    if (completion) completion();
}

void UIViewController::dismiss(bool, const std::function<void()>& completion) {
    UIViewController* host = outermost();
    std::shared_ptr<UIViewController> from;
    std::shared_ptr<UIViewController> target;
    if (host->presented_) {
        from = host->shared_from_this();
        target = host->presented_;
    } else if (auto presenter = host->presenting_.lock()) {
        from = presenter;
        target = host->shared_from_this();
    } else {
        return;
    }
    UIWindow* w = host->window_;
    // Take down the whole chain above `from`, top first.
    std::vector<std::shared_ptr<UIViewController>> chain;
    for (auto c = target; c; c = c->presented_) chain.push_back(c);
    if (w) w->closeMenu();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (w) w->uninstall(**it);
        (*it)->presenting_.reset();
        (*it)->presented_.reset();
    }
    from->presented_.reset();
    if (completion) completion();
}

}  // namespace platform
