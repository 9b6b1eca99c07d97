#pragma once
// Menus as the platform builds them: a titled list of actions and submenus; a submenu shown
// inline is a section of its parent (its title heads the section) rather than a level to open.
// Actions carry a title, an optional symbol image, an on or off state (on shows the check mark) and
// the disabled and destructive attributes. A disabled action cannot be chosen; choosing any
// other one calls its handler once. Menus are values built whole and replaced whole.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

class UIAction {
public:
    enum class State { off, on };

    UIAction(std::string title, std::function<void()> handler) : title(std::move(title)), handler(std::move(handler)) {}
    static std::shared_ptr<UIAction> make(std::string title, std::function<void()> handler,
                                          std::optional<std::string> image = std::nullopt,
                                          State state = State::off);

    std::string title;
    std::optional<std::string> image;  // a system symbol name
    State state = State::off;
    bool disabled = false;
    bool destructive = false;
    std::function<void()> handler;

    // Runs the handler (if any). The menu or control that chose it checks `disabled` first.
    void perform() const {
        if (handler) handler();
    }
};

class UIMenu;
using UIMenuElement = std::variant<std::shared_ptr<UIAction>, std::shared_ptr<UIMenu>>;

class UIMenu {
public:
    UIMenu(std::string title, std::vector<UIMenuElement> children, bool displayInline)
        : title(std::move(title)), children(std::move(children)), displayInline(displayInline) {}
    static std::shared_ptr<UIMenu> make(std::string title, std::vector<UIMenuElement> children,
                                        bool displayInline = false);

    std::string title;
    std::optional<std::string> image;
    std::vector<UIMenuElement> children;
    bool displayInline = false;
};

// The result of looking up an action by the titles a person reads on the way to it.
struct UIMenuLookup {
    std::shared_ptr<UIAction> action;  // null on failure
    std::string error;                 // why it failed, naming the offered titles
};

// Walks menu by titles: every title but the last opens a submenu shown at that level; the last
// names an action. The children of inline sections count as their parent's; a section's own
// title may also be given as a step to pick among equal titles of different sections. Fails on
// a missing or ambiguous title and on a title that names a submenu where an action is expected
// (or the reverse); a disabled action is returned and the caller decides.
UIMenuLookup findMenuAction(const UIMenu& menu, const std::vector<std::string>& titles);

}  // namespace platform
