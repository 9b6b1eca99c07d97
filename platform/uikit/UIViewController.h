#pragma once
// A view controller: owns a root view, made on first use by loadView() and then viewDidLoad();
// may contain child controllers (a navigation controller holds its root) and may present one
// controller modally (an alert, a navigation controller in a form sheet) over itself.
//
// Presentation follows the platform: a child presents through its outermost container; a
// controller that is already presenting refuses another presentation (the window records the
// warning and the completion never runs). dismiss() on a controller that presents dismisses
// what it presents (and everything above); on a presented controller, or a child of one, it
// dismisses that controller. Completions run at once: there is no animation to wait for.
// Controllers are owned by shared_ptr: the window owns its root, a presenter owns what it
// presents, a container owns its children; the reverse links are weak.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIView.h"

namespace platform {

class UINavigationController;
class UIWindow;

class UIViewController : public std::enable_shared_from_this<UIViewController> {
public:
    enum class ModalPresentationStyle { automatic, formSheet, fullScreen };

    UIViewController() = default;
    virtual ~UIViewController();
    UIViewController(const UIViewController&) = delete;
    UIViewController& operator=(const UIViewController&) = delete;

    virtual std::string_view kindName() const { return "ViewController"; }

    std::string title;
    ModalPresentationStyle modalPresentationStyle = ModalPresentationStyle::automatic;
    bool definesPresentationContext = false;
    UINavigationItem& navigationItem() { return navigationItem_; }
    const UINavigationItem& navigationItem() const { return navigationItem_; }

    // The root view, loaded on first use.
    const std::shared_ptr<UIView>& view();
    bool isViewLoaded() const { return view_ != nullptr; }
    const std::shared_ptr<UIView>& viewIfLoaded() const { return view_; }

    // ---- Containment
    std::shared_ptr<UIViewController> parent() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<UIViewController>>& children() const { return children_; }
    void addChild(const std::shared_ptr<UIViewController>& child);
    void removeFromParent();
    // The navigation controller this controller is in, if any.
    std::shared_ptr<UINavigationController> navigationController() const;

    // ---- Presentation
    void present(const std::shared_ptr<UIViewController>& controller, bool animated,
                 const std::function<void()>& completion = {});
    void dismiss(bool animated, const std::function<void()>& completion = {});
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::shared_ptr<UIViewController> presentingViewController() const;
    // The window this controller is shown in (through its outermost container), or nullptr.
    UIWindow* window() const;

    // Called when the controller's view is put on screen (as the window's root or presented).
    virtual void viewWillAppear() {}

protected:
    // Makes the root view; the default is a plain view. Overrides call setView().
    virtual void loadView();
    virtual void viewDidLoad() {}
    void setView(std::shared_ptr<UIView> view) { view_ = std::move(view); }

private:
    friend class UIWindow;
    UIViewController* outermost();
    const UIViewController* outermost() const;

    std::shared_ptr<UIView> view_;
    bool loading_ = false;
    UINavigationItem navigationItem_;
    std::weak_ptr<UIViewController> parent_;
    std::vector<std::shared_ptr<UIViewController>> children_;
    std::shared_ptr<UIViewController> presented_;
    std::weak_ptr<UIViewController> presenting_;
    UIWindow* window_ = nullptr;  // set on the root and on presented controllers
};

}  // namespace platform
