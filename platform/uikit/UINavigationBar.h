#pragma once
// The bar at the top of a navigation controller: shows the top controller's navigation item
// (prompt, title, leading and trailing buttons and, below them, the search field). The item's
// buttons and search field are the bar's subviews, leading buttons first, then the trailing
// ones from the inside out, then the search field.
#include <memory>

#include "platform/uikit/UIView.h"

namespace platform {

class UINavigationItem;
class UIViewController;

class UINavigationBar : public UIView {
public:
    static std::shared_ptr<UINavigationBar> make() { return std::make_shared<UINavigationBar>(); }
    std::string_view kindName() const override { return "NavigationBar"; }

    // Shows controller's item from now on.
    void show(const std::shared_ptr<UIViewController>& controller);
    // The item shown, or nullptr.
    const UINavigationItem* item() const;
    std::shared_ptr<UIViewController> controller() const { return controller_.lock(); }
    // Puts the item's buttons and search field in as subviews again.
    void syncItems();

    double nominalHeight(double width) const override;
    void placeSubviews(const CGSize& size) const override;

private:
    std::weak_ptr<UIViewController> controller_;
};

}  // namespace platform
