#pragma once
// A navigation controller: a bar over the view of the controller on top of its stack. Here the
// stack only ever holds its root (the screens push nothing), which is its child.
#include <memory>

#include "platform/uikit/UINavigationBar.h"
#include "platform/uikit/UIViewController.h"

namespace platform {

class UINavigationController : public UIViewController {
public:
    static std::shared_ptr<UINavigationController> make(const std::shared_ptr<UIViewController>& root);
    std::string_view kindName() const override { return "NavigationController"; }

    std::shared_ptr<UIViewController> topViewController() const;
    const std::shared_ptr<UINavigationBar>& navigationBar() const { return bar_; }

    void viewWillAppear() override;

protected:
    void loadView() override;

private:
    std::shared_ptr<UINavigationBar> bar_ = UINavigationBar::make();
};

}  // namespace platform
