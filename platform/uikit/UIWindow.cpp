#include "platform/uikit/UIWindow.h"

#include "platform/uikit/UIView.h"
#include "platform/uikit/UIViewController.h"

namespace platform {

UIWindow::UIWindow(MainQueue& mainQueue, CGSize size, UIEdgeInsets safeArea)
    : mainQueue_(mainQueue), size_(size), safeArea_(safeArea) {}

UIWindow::~UIWindow() {
    // Views and controllers may outlive the window through other owners: leave none of them
    // pointing at it.
    for (const auto& c : presentedViewControllers()) uninstall(*c);
    if (root_) uninstall(*root_);
}

void UIWindow::install(UIViewController& controller) {
    controller.window_ = this;
    const auto& view = controller.view();
    view->setHostWindow(this);
    CGRect frame = bounds();
    if (&controller != root_.get() && controller.modalPresentationStyle != UIViewController::ModalPresentationStyle::fullScreen) {
        // A sheet leaves the top of the screen beneath it visible.
        const double top = safeArea_.top + 10;
        frame = CGRect(0, top, size_.width, size_.height - top);
    }
    view->setNominalFrame(frame);
    controller.viewWillAppear();
}

void UIWindow::uninstall(UIViewController& controller) {
    if (auto v = controller.viewIfLoaded()) {
        v->endEditing(true);
        v->setHostWindow(nullptr);
    }
    controller.window_ = nullptr;
}

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller) {
    if (root_ == controller) return;
    closeMenu();
    if (root_) {
        for (const auto& c : presentedViewControllers()) uninstall(*c);
        uninstall(*root_);
    }
    root_ = std::move(controller);
    if (root_) install(*root_);
}

std::vector<std::shared_ptr<UIViewController>> UIWindow::presentedViewControllers() const {
    std::vector<std::shared_ptr<UIViewController>> out;
    if (!root_) return out;
    for (auto c = root_->presentedViewController(); c; c = c->presentedViewController()) out.push_back(c);
    return out;
}

std::shared_ptr<UIViewController> UIWindow::topViewController() const {
    auto presented = presentedViewControllers();
    return presented.empty() ? root_ : presented.back();
}

void UIWindow::openMenu(const std::shared_ptr<UIView>& source, const std::shared_ptr<UIMenu>& menu) {
    if (!menu) return;
    openMenu_ = OpenMenu{source, menu};
}

}  // namespace platform
