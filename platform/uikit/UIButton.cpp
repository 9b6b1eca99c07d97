#include "platform/uikit/UIButton.h"

#include <algorithm>

#include "platform/foundation/Text.h"
#include "platform/uikit/UIWindow.h"

namespace platform {

UIEdgeInsets UIButtonConfiguration::effectiveContentInsets() const {
    if (contentInsets) return *contentInsets;
    switch (buttonSize) {
        case Size::mini: return {4, 8, 4, 8};
        case Size::small: return {5, 10, 5, 10};
        case Size::medium: return {7, 12, 7, 12};
        case Size::large: return {14, 20, 14, 20};
    }
    return {7, 12, 7, 12};
}

std::shared_ptr<UIButton> UIButton::make(ButtonType type) { return std::make_shared<UIButton>(type); }

std::shared_ptr<UIButton> UIButton::make(UIButtonConfiguration configuration, std::shared_ptr<UIAction> primaryAction) {
    auto b = std::make_shared<UIButton>(ButtonType::system);
    b->configuration = std::move(configuration);
    b->setPrimaryAction(std::move(primaryAction));
    return b;
}

void UIButton::setTitle(std::optional<std::string> title, UIControlState state) { titles_[state] = std::move(title); }

std::optional<std::string> UIButton::title(UIControlState state) const {
    auto it = titles_.find(state);
    if (it != titles_.end() && it->second) return it->second;
    if (state != UIControlState::normal) return title(UIControlState::normal);
    return std::nullopt;
}

void UIButton::setTitleColor(std::optional<UIColor> color, UIControlState state) { titleColors_[state] = std::move(color); }

std::optional<UIColor> UIButton::titleColor(UIControlState state) const {
    auto it = titleColors_.find(state);
    if (it != titleColors_.end() && it->second) return it->second;
    if (state != UIControlState::normal) return titleColor(UIControlState::normal);
    return std::nullopt;
}

UIControlState UIButton::currentState() const {
    if (!enabled) return UIControlState::disabled;
    if (selected) return UIControlState::selected;
    return UIControlState::normal;
}

std::string UIButton::displayedTitle() const {
    if (configuration && configuration->title) return *configuration->title;
    return title(currentState()).value_or("");
}

std::optional<std::string> UIButton::displayedImage() const {
    if (configuration) return configuration->image;
    return std::nullopt;
}

void UIButton::setPrimaryAction(std::shared_ptr<UIAction> action) {
    if (primaryAction_) removeAllActions(UIControlEvents::primaryActionTriggered);
    primaryAction_ = std::move(action);
    if (primaryAction_) addAction(primaryAction_, UIControlEvents::primaryActionTriggered);
}

void UIButton::tapped() {
    if (menu && showsMenuAsPrimaryAction) {
        if (UIWindow* w = window()) w->openMenu(std::static_pointer_cast<UIView>(shared_from_this()), menu);
        return;
    }
    UIControl::tapped();
}

namespace {

double textWidth(const std::string& s, const UIFont& f) {
    return static_cast<double>(text::graphemeCount(s)) * f.characterWidth();
}

}  // namespace

double UIButton::nominalHeight(double width) const {
    if (configuration) {
        const UIEdgeInsets in = configuration->effectiveContentInsets();
        const UIFont f = configuration->titleFont.value_or(UIFont::systemFont(
            configuration->buttonSize == UIButtonConfiguration::Size::mini ? 13 : 17));
        double content = f.lineHeight();
        if (configuration->subtitle) content += UIFont::systemFont(13).lineHeight() + 2;
        return in.top + content + in.bottom;
    }
    const UIFont f = titleFont.value_or(UIFont::systemFont(17));
    return f.lineHeight() + 14;
}

double UIButton::nominalWidth() const {
    if (configuration) {
        const UIEdgeInsets in = configuration->effectiveContentInsets();
        const UIFont f = configuration->titleFont.value_or(UIFont::systemFont(
            configuration->buttonSize == UIButtonConfiguration::Size::mini ? 13 : 17));
        double content = textWidth(configuration->title.value_or(""), f);
        if (configuration->subtitle) content = std::max(content, textWidth(*configuration->subtitle, UIFont::systemFont(13)));
        if (configuration->image) content += f.lineHeight() + configuration->imagePadding;
        return in.left + content + in.right;
    }
    return textWidth(displayedTitle(), titleFont.value_or(UIFont::systemFont(17))) + 16;
}

}  // namespace platform
