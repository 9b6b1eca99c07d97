#include "platform/uikit/UIAlertController.h"

#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIStackView.h"

namespace platform {

std::shared_ptr<UIAlertAction> UIAlertAction::make(std::string title, Style style,
                                                   std::function<void(UIAlertAction&)> handler) {
    auto a = std::make_shared<UIAlertAction>();
    a->title = std::move(title);
    a->style = style;
    a->handler = std::move(handler);
    return a;
}

void UIAlertAction::tapped() {
    if (auto alert = alert_.lock()) alert->choose(*this);
}

std::shared_ptr<UIAlertController> UIAlertController::make(std::string title, std::string message, Style style) {
    auto a = std::make_shared<UIAlertController>();
    a->title = std::move(title);
    a->message = std::move(message);
    a->preferredStyle = style;
    return a;
}

void UIAlertController::addTextField(const std::function<void(UITextField&)>& configure) {
    auto f = UITextField::make();
    f->borderStyle = UITextField::BorderStyle::roundedRect;
    f->role = "alertField:" + std::to_string(textFields_.size() + 1);
    if (configure) configure(*f);
    textFields_.push_back(f);
    rebuild();
}

void UIAlertController::addAction(const std::shared_ptr<UIAlertAction>& action) {
    if (!action) return;
    action->alert_ = std::static_pointer_cast<UIAlertController>(shared_from_this());
    actions_.push_back(action);
    rebuild();
}

void UIAlertController::choose(UIAlertAction& action) {
    if (!action.enabled) return;
    const auto keepAlert = shared_from_this();
    const auto keepAction = std::static_pointer_cast<UIAlertAction>(action.shared_from_this());
    dismiss(true);
    if (keepAction->handler) keepAction->handler(*keepAction);
}

void UIAlertController::loadView() {
    setView(UIStackView::vertical(12));
    rebuild();
}

void UIAlertController::rebuild() {
    auto stack = std::dynamic_pointer_cast<UIStackView>(viewIfLoaded());
    if (!stack) return;
    stack->removeAllArrangedSubviews();
    stack->isLayoutMarginsRelativeArrangement = true;
    stack->layoutMargins = UIEdgeInsets::all(16);
    if (!title.empty()) {
        auto t = UILabel::make(title);
        t->font = UIFont::systemFont(17, UIFont::Weight::semibold);
        t->numberOfLines = 0;
        t->textAlignment = UILabel::TextAlignment::center;
        stack->addArrangedSubview(t);
    }
    if (!message.empty()) {
        auto m = UILabel::make(message);
        m->font = UIFont::systemFont(13);
        m->numberOfLines = 0;
        m->textAlignment = UILabel::TextAlignment::center;
        stack->addArrangedSubview(m);
    }
    for (const auto& f : textFields_) stack->addArrangedSubview(f);
    for (const auto& a : actions_) stack->addArrangedSubview(a);
}

}  // namespace platform
