#include "platform/uikit/UISearchController.h"

namespace platform {

std::shared_ptr<UISearchController> UISearchController::make() {
    auto c = std::make_shared<UISearchController>();
    std::weak_ptr<UISearchController> weak = c;
    c->searchBar_->addAction(UIAction::make("begin", [weak] {
                                 if (auto s = weak.lock()) s->setActive(true);
                             }),
                             UIControlEvents::editingDidBegin);
    c->searchBar_->addAction(UIAction::make("change", [weak] {
                                 if (auto s = weak.lock()) s->update();
                             }),
                             UIControlEvents::editingChanged);
    return c;
}

void UISearchController::setActive(bool value) {
    if (active_ == value) return;
    active_ = value;
    update();
}

void UISearchController::update() {
    if (auto u = searchResultsUpdater.lock()) u->updateSearchResults(*this);
}

}  // namespace platform
