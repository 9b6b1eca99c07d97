#include "platform/uikit/UIControl.h"

#include <algorithm>

namespace platform {

std::shared_ptr<UIControl> UIControl::make() { return std::make_shared<UIControl>(); }

void UIControl::addTargetAction(std::weak_ptr<const void> target, std::string action, UIControlEvents events,
                                std::function<void(UIControl&)> call) {
    const auto locked = target.lock();
    const void* address = locked.get();
    for (unsigned bit = 1; bit != 0; bit <<= 1) {
        if (!(static_cast<unsigned>(events) & bit)) continue;
        const auto event = static_cast<UIControlEvents>(bit);
        const bool present = std::any_of(table_.begin(), table_.end(), [&](const TargetAction& t) {
            return t.event == event && t.action == action && t.address == address && !t.target.expired();
        });
        if (!present) table_.push_back({target, address, action, event, call});
    }
}

void UIControl::removeTarget(const void* target, std::string_view action, UIControlEvents events) {
    table_.erase(std::remove_if(table_.begin(), table_.end(),
                                [&](const TargetAction& t) {
                                    return (target == nullptr || t.address == target) &&
                                           (action.empty() || t.action == action) && intersects(t.event, events);
                                }),
                 table_.end());
}

std::vector<std::string> UIControl::actionNames(UIControlEvents event) const {
    std::vector<std::string> names;
    for (const auto& t : table_) {
        if (intersects(t.event, event) && !t.target.expired()) names.push_back(t.action);
    }
    return names;
}

std::size_t UIControl::targetActionCount(UIControlEvents events) const {
    return static_cast<std::size_t>(std::count_if(table_.begin(), table_.end(), [&](const TargetAction& t) {
        return intersects(t.event, events) && !t.target.expired();
    }));
}

void UIControl::addAction(std::shared_ptr<UIAction> action, UIControlEvents events) {
    if (!action) return;
    for (auto& a : actions_) {
        if (a.action == action) {
            a.events = a.events | events;
            return;
        }
    }
    actions_.push_back({std::move(action), events});
}

void UIControl::removeAllActions(UIControlEvents events) {
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(),
                                  [&](const EventAction& a) { return intersects(a.events, events); }),
                   actions_.end());
}

std::size_t UIControl::actionCount(UIControlEvents events) const {
    return static_cast<std::size_t>(std::count_if(actions_.begin(), actions_.end(),
                                                  [&](const EventAction& a) { return intersects(a.events, events); }));
}

void UIControl::sendActions(UIControlEvents events) {
    // A handler may rebuild the screen and drop this control: keep it alive until the end, and
    // call what was registered when the events were sent.
    const auto keep = shared_from_this();
    std::vector<TargetAction> pairs;
    for (const auto& t : table_) {
        if (intersects(t.event, events)) pairs.push_back(t);
    }
    std::vector<std::shared_ptr<UIAction>> actions;
    for (const auto& a : actions_) {
        if (intersects(a.events, events)) actions.push_back(a.action);
    }
    for (const auto& t : pairs) {
        if (!t.target.expired() && t.call) t.call(*this);
    }
    for (const auto& a : actions) a->perform();
}

void UIControl::tapped() { sendActions(UIControlEvents::touchUpInside | UIControlEvents::primaryActionTriggered); }

}  // namespace platform
