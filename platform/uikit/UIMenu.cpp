#include "platform/uikit/UIMenu.h"

namespace platform {

std::shared_ptr<UIAction> UIAction::make(std::string title, std::function<void()> handler,
                                         std::optional<std::string> image, State state) {
    auto a = std::make_shared<UIAction>(std::move(title), std::move(handler));
    a->image = std::move(image);
    a->state = state;
    return a;
}

std::shared_ptr<UIMenu> UIMenu::make(std::string title, std::vector<UIMenuElement> children, bool displayInline) {
    return std::make_shared<UIMenu>(std::move(title), std::move(children), displayInline);
}

namespace {

// The elements a person sees at one level: actions and closed submenus, with inline sections
// opened in place.
void visibleElements(const UIMenu& menu, std::vector<UIMenuElement>& out) {
    for (const auto& e : menu.children) {
        if (const auto* sub = std::get_if<std::shared_ptr<UIMenu>>(&e); sub && *sub && (*sub)->displayInline) {
            visibleElements(**sub, out);
        } else {
            out.push_back(e);
        }
    }
}

std::string titleOf(const UIMenuElement& e) {
    if (const auto* a = std::get_if<std::shared_ptr<UIAction>>(&e)) return *a ? (*a)->title : "";
    const auto& m = std::get<std::shared_ptr<UIMenu>>(e);
    return m ? m->title : "";
}

std::string offered(const std::vector<UIMenuElement>& elements) {
    std::string s;
    for (const auto& e : elements) {
        if (!s.empty()) s += ", ";
        s += "\"" + titleOf(e) + "\"";
    }
    return s.empty() ? "nothing" : s;
}

const UIMenu* inlineSectionTitled(const UIMenu& menu, const std::string& title) {
    for (const auto& e : menu.children) {
        if (const auto* sub = std::get_if<std::shared_ptr<UIMenu>>(&e); sub && *sub) {
            if ((*sub)->displayInline && (*sub)->title == title) return sub->get();
            if ((*sub)->displayInline) {
                if (const UIMenu* inner = inlineSectionTitled(**sub, title)) return inner;
            }
        }
    }
    return nullptr;
}

}  // namespace

UIMenuLookup findMenuAction(const UIMenu& root, const std::vector<std::string>& titles) {
    if (titles.empty()) return {nullptr, "no menu item given"};
    const UIMenu* level = &root;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const std::string& title = titles[i];
        const bool last = i + 1 == titles.size();
        std::vector<UIMenuElement> elements;
        visibleElements(*level, elements);
        std::vector<const UIMenuElement*> matches;
        for (const auto& e : elements) {
            if (titleOf(e) == title) matches.push_back(&e);
        }
        if (matches.empty() && !last) {
            if (const UIMenu* section = inlineSectionTitled(*level, title)) {
                level = section;
                continue;
            }
        }
        const std::string where = "menu \"" + level->title + "\"";
        if (matches.empty()) return {nullptr, where + " has no item \"" + title + "\"; it offers " + offered(elements)};
        if (matches.size() > 1) return {nullptr, where + " has " + std::to_string(matches.size()) + " items \"" + title + "\""};
        const UIMenuElement& found = *matches.front();
        if (last) {
            if (const auto* a = std::get_if<std::shared_ptr<UIAction>>(&found)) return {*a, ""};
            return {nullptr, "\"" + title + "\" in " + where + " opens a submenu; name an item in it"};
        }
        const auto* sub = std::get_if<std::shared_ptr<UIMenu>>(&found);
        if (!sub) return {nullptr, "\"" + title + "\" in " + where + " is an action, not a submenu"};
        level = sub->get();
    }
    return {nullptr, "no menu item given"};
}

}  // namespace platform
