#pragma once
// A control: a view that turns a person's touches into events and sends each event to the
// target-action pairs registered for it, then to the actions added for it.
//
// The target-action table follows the platform: a pair is (target, action name, event); adding
// a pair that is already there for that event leaves one copy, so wiring a control twice never
// doubles a call (the screen relies on it when it is rebuilt). Targets are held weakly; a pair
// whose target is gone is skipped. Removal matches a target (nullptr: any), an action name
// (empty: any) and the events given.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/uikit/UIMenu.h"
#include "platform/uikit/UIView.h"

namespace platform {

enum class UIControlEvents : unsigned {
    touchUpInside = 1u << 6,
    valueChanged = 1u << 12,
    primaryActionTriggered = 1u << 13,
    editingDidBegin = 1u << 16,
    editingChanged = 1u << 17,
    editingDidEnd = 1u << 18,
    editingDidEndOnExit = 1u << 19,
    allEvents = 0xFFFFFFFFu,
};

constexpr UIControlEvents operator|(UIControlEvents a, UIControlEvents b) {
    return static_cast<UIControlEvents>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool intersects(UIControlEvents a, UIControlEvents b) {
    return (static_cast<unsigned>(a) & static_cast<unsigned>(b)) != 0;
}

class UIControl : public UIView {
public:
    enum class ContentHorizontalAlignment { center, leading, trailing, fill };

    static std::shared_ptr<UIControl> make();
    std::string_view kindName() const override { return "Control"; }

    bool enabled = true;
    bool selected = false;
    ContentHorizontalAlignment contentHorizontalAlignment = ContentHorizontalAlignment::center;

    // Registers target's method under the action name for every event in events.
    template <class T>
    void addTarget(const std::shared_ptr<T>& target, std::string action, void (T::*method)(), UIControlEvents events) {
        std::weak_ptr<T> weak = target;
        addTargetAction(weak, std::move(action), events, [weak, method](UIControl&) {
            if (auto t = weak.lock()) ((*t).*method)();
        });
    }
    // The same, for a method that takes the sending control.
    template <class T>
    void addTarget(const std::shared_ptr<T>& target, std::string action, void (T::*method)(UIControl&),
                   UIControlEvents events) {
        std::weak_ptr<T> weak = target;
        addTargetAction(weak, std::move(action), events, [weak, method](UIControl& sender) {
            if (auto t = weak.lock()) ((*t).*method)(sender);
        });
    }
    // The general form: call runs while target is alive.
    void addTargetAction(std::weak_ptr<const void> target, std::string action, UIControlEvents events,
                         std::function<void(UIControl& sender)> call);

    void removeTarget(const void* target, std::string_view action, UIControlEvents events);
    void removeAllTargets() { removeTarget(nullptr, {}, UIControlEvents::allEvents); }
    // The action names registered for an event, in the order they were added.
    std::vector<std::string> actionNames(UIControlEvents event) const;
    // How many target-action pairs are registered for any of the events.
    std::size_t targetActionCount(UIControlEvents events = UIControlEvents::allEvents) const;

    // Actions run after the target-action pairs of their events.
    void addAction(std::shared_ptr<UIAction> action, UIControlEvents events);
    void removeAllActions(UIControlEvents events = UIControlEvents::allEvents);
    std::size_t actionCount(UIControlEvents events = UIControlEvents::allEvents) const;

    // Sends the events as the platform does after a touch: every matching pair, then every
    // matching action. Disabled controls send too when called directly; the driver refuses to
    // touch them first.
    void sendActions(UIControlEvents events);

    // What a tap (touch down and up inside) sends. Controls with a behaviour of their own
    // (switches, segments, buttons with a menu) override it.
    virtual void tapped();

private:
    struct TargetAction {
        std::weak_ptr<const void> target;
        const void* address;
        std::string action;
        UIControlEvents event;
        std::function<void(UIControl&)> call;
    };
    struct EventAction {
        std::shared_ptr<UIAction> action;
        UIControlEvents events;
    };
    std::vector<TargetAction> table_;
    std::vector<EventAction> actions_;
};

}  // namespace platform
