#pragma once
// A search field with its controller, as a navigation item shows it. Beginning to edit the
// field makes the search active; every change of its text (and the start of the search) asks
// the results updater to update.
#include <memory>

#include "platform/uikit/UITextField.h"

namespace platform {

class UISearchController;

class UISearchResultsUpdating {
public:
    virtual ~UISearchResultsUpdating() = default;
    virtual void updateSearchResults(UISearchController& controller) = 0;
};

class UISearchBar : public UITextField {
public:
    std::string_view kindName() const override { return "SearchBar"; }
};

class UISearchController : public std::enable_shared_from_this<UISearchController> {
public:
    static std::shared_ptr<UISearchController> make();

    const std::shared_ptr<UISearchBar>& searchBar() const { return searchBar_; }
    std::weak_ptr<UISearchResultsUpdating> searchResultsUpdater;
    bool obscuresBackgroundDuringPresentation = true;
    bool isActive() const { return active_; }
    void setActive(bool value);

private:
    void update();
    std::shared_ptr<UISearchBar> searchBar_ = std::make_shared<UISearchBar>();
    bool active_ = false;
};

}  // namespace platform
