#pragma once
// A switch: on or off; a tap flips it and sends value-changed. Setting it from code sends
// nothing.
#include <memory>
#include <optional>

#include "platform/uikit/UIControl.h"

namespace platform {

class UISwitch : public UIControl {
public:
    static std::shared_ptr<UISwitch> make(bool isOn = false) {
        auto s = std::make_shared<UISwitch>();
        s->on = isOn;
        return s;
    }
    std::string_view kindName() const override { return "Switch"; }

    bool on = false;
    std::optional<UIColor> onTintColor;
    void setOn(bool value, bool animated = false) { on = value; }

    // A tap flips it and sends value-changed.
    void tapped() override {
        on = !on;
        sendActions(UIControlEvents::valueChanged);
    }

    double nominalHeight(double) const override { return 31; }
    double nominalWidth() const override { return 51; }
};

}  // namespace platform
