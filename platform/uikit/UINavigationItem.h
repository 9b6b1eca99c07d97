#pragma once
// What a controller shows in the navigation bar when it is on top: a title, a prompt line above
// it, leading and trailing buttons and a search field. Trailing buttons are listed from the
// trailing edge inwards, as on the platform. The bar that shows the item keeps its buttons as
// subviews; setting them here updates that bar.
#include <memory>
#include <string>
#include <vector>

namespace platform {

class UIBarButtonItem;
class UINavigationBar;
class UISearchController;

class UINavigationItem {
public:
    std::string title;
    std::string prompt;
    bool hidesSearchBarWhenScrolling = true;

    void setLeftBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);
    void setRightBarButtonItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);
    void setSearchController(std::shared_ptr<UISearchController> controller);
    const std::vector<std::shared_ptr<UIBarButtonItem>>& leftBarButtonItems() const { return left_; }
    const std::vector<std::shared_ptr<UIBarButtonItem>>& rightBarButtonItems() const { return right_; }
    const std::shared_ptr<UISearchController>& searchController() const { return search_; }

    // The bar that shows this item (set by the navigation controller).
    void attach(const std::shared_ptr<UINavigationBar>& bar) { bar_ = bar; }

private:
    void changed();
    std::vector<std::shared_ptr<UIBarButtonItem>> left_;
    std::vector<std::shared_ptr<UIBarButtonItem>> right_;
    std::shared_ptr<UISearchController> search_;
    std::weak_ptr<UINavigationBar> bar_;
};

}  // namespace platform
