// The suggestion menus of the reply-to and only-agents fields and the buttons that open them.
// A menu is a snapshot of the remembered tokens when it is built; the callers rebuild both
// menus after every field change and server switch.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include <algorithm>

#include "TarvoShareExtension/ShareViewController/Presentation/RecipeMenuRules.h"

namespace tarvo {

using namespace platform;

namespace {

// Where each field's suggestions are read from in the app group.
std::string_view suggestionSourceKey(ShareViewController::SmartField field) {
    return field == ShareViewController::SmartField::replyTo ? "emit.defaultReplyTo" : "share.onlyAgents";
}

}  // namespace

std::vector<std::string> ShareViewController::smartTokens(SmartField field) const {
    return share::suggestionTokens(defaults->string(std::string(suggestionSourceKey(field))).value_or(""));
}

std::shared_ptr<UIMenu> ShareViewController::makeSmartMenu(SmartField field) {
    std::vector<std::string> tokens = smartTokens(field);
    if (tokens.empty()) {
        auto none = UIAction::make("No suggestions yet", [] {});
        none->disabled = true;
        return UIMenu::make("Suggestions", {none});
    }
    if (tokens.size() > share::kMaxSuggestions) tokens.resize(share::kMaxSuggestions);
    std::vector<UIMenuElement> replace;
    std::vector<UIMenuElement> add;
    for (const auto& token : tokens) {
        replace.emplace_back(UIAction::make(token, [weak = weakSelf(), token, field] {
            if (auto self = weak.lock()) self->applyToken(token, field, true);
        }));
        add.emplace_back(UIAction::make(token, [weak = weakSelf(), token, field] {
            if (auto self = weak.lock()) self->applyToken(token, field, false);
        }));
    }
    auto clear = UIAction::make("Clear", [weak = weakSelf(), field] {
        auto self = weak.lock();
        if (!self) return;
        (field == SmartField::replyTo ? self->replyToField : self->onlyAgentsField)->text.clear();
        self->draftFieldChanged();
    });
    clear->destructive = true;
    return UIMenu::make("Suggestions", {UIMenu::make("Replace", std::move(replace), true),
                                        UIMenu::make("Add", std::move(add), true), UIMenu::make("", {clear}, true)});
}

void ShareViewController::applyToken(const std::string& token, SmartField field, bool replace) {
    UITextField& target = field == SmartField::replyTo ? *replyToField : *onlyAgentsField;
    const std::optional<std::string> text = share::routeTextWithToken(target.text, token, replace);
    if (!text) return;
    target.text = *text;
    draftFieldChanged();
}

void ShareViewController::attachSmartButton(UITextField& field, const std::shared_ptr<UIButton>& button) {
    auto configuration = UIButtonConfiguration::plain();
    configuration.image = "sparkles";
    configuration.baseForegroundColor = UIColor::secondaryLabel();
    configuration.contentInsets = UIEdgeInsets{0, 6, 0, 6};
    configuration.buttonSize = UIButtonConfiguration::Size::mini;
    button->configuration = std::move(configuration);
    button->showsMenuAsPrimaryAction = true;
    button->horizontalHuggingPriority = 1000;
    button->horizontalCompressionResistance = 1000;
    button->sizeToFit();
    field.setRightView(button);
    field.rightViewMode = UITextField::ViewMode::always;
}

}  // namespace tarvo
