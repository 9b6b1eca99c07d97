#pragma once
// The window a screen is shown in, standing in for the phone's: a size (by default 390 x 844
// points, with the safe area of a phone without home button: 47 at the top, 34 at the bottom),
// a root view controller and the controllers presented over it (the modal stack, bottom to
// top), the first responder, a notification centre (the keyboard posts its frames there),
// an animator, the haptic impacts played, the menu a person has opened, and the main queue of the task runtime that the
// screen's work runs on.
//
// The keyboard is not shown by itself when a field starts editing: whoever stands in for the
// person (the driver) posts its frames, and the window remembers the last one for rendering.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/Geometry.h"
#include "platform/uikit/NotificationCenter.h"
#include "platform/uikit/UIFeedbackGenerator.h"
#include "platform/uikit/UIMenu.h"
#include "platform/uikit/UIViewAnimator.h"

namespace platform {

class MainQueue;
class UIView;
class UIViewController;

class UIWindow {
public:
    static constexpr CGSize defaultSize{390, 844};
    static constexpr UIEdgeInsets defaultSafeArea{47, 0, 34, 0};

    explicit UIWindow(MainQueue& mainQueue, CGSize size = defaultSize, UIEdgeInsets safeArea = defaultSafeArea);
    ~UIWindow();
    UIWindow(const UIWindow&) = delete;
    UIWindow& operator=(const UIWindow&) = delete;

    MainQueue& mainQueue() const { return mainQueue_; }
    CGRect bounds() const { return CGRect(0, 0, size_.width, size_.height); }
    UIEdgeInsets safeAreaInsets() const { return safeArea_; }

    // ---- Controllers
    void setRootViewController(std::shared_ptr<UIViewController> controller);
    const std::shared_ptr<UIViewController>& rootViewController() const { return root_; }
    // The presented controllers, bottom to top (the root not included).
    std::vector<std::shared_ptr<UIViewController>> presentedViewControllers() const;
    // The topmost presented controller, else the root.
    std::shared_ptr<UIViewController> topViewController() const;
    // Presentation problems the platform would log (presenting on a busy controller).
    const std::vector<std::string>& warnings() const { return warnings_; }
    void addWarning(std::string text) { warnings_.push_back(std::move(text)); }

    // ---- First responder
    std::shared_ptr<UIView> firstResponder() const { return firstResponder_.lock(); }
    // Used by views as they begin and end editing.
    void setFirstResponder(const std::shared_ptr<UIView>& view) { firstResponder_ = view; }

    NotificationCenter& notificationCenter() { return notifications_; }
    UIViewAnimator& animator() { return animator_; }
    const UIViewAnimator& animator() const { return animator_; }
    UIFeedbackRecord& feedback() { return feedback_; }
    const UIFeedbackRecord& feedback() const { return feedback_; }

    // ---- Keyboard (the frame of the keyboard on screen, in window coordinates)
    const std::optional<CGRect>& keyboardFrame() const { return keyboardFrame_; }
    void setKeyboardFrame(std::optional<CGRect> frame) { keyboardFrame_ = frame; }

    // ---- The menu a person has opened (one at a time)
    struct OpenMenu {
        std::weak_ptr<UIView> source;
        std::shared_ptr<UIMenu> menu;
    };
    void openMenu(const std::shared_ptr<UIView>& source, const std::shared_ptr<UIMenu>& menu);
    void closeMenu() { openMenu_.reset(); }
    const std::optional<OpenMenu>& openedMenu() const { return openMenu_; }

    // Puts a controller's root view on screen in this window (used by presentation).
    void install(UIViewController& controller);
    void uninstall(UIViewController& controller);

private:
    MainQueue& mainQueue_;
    CGSize size_;
    UIEdgeInsets safeArea_;
    std::shared_ptr<UIViewController> root_;
    std::weak_ptr<UIView> firstResponder_;
    NotificationCenter notifications_;
    UIViewAnimator animator_;
    UIFeedbackRecord feedback_;
    std::optional<CGRect> keyboardFrame_;
    std::optional<OpenMenu> openMenu_;
    std::vector<std::string> warnings_;
};

}  // namespace platform
