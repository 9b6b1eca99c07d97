#pragma once
// A button. Either a classic button with a title and title colour per state and a title label
// (font, lines), or a button with a configuration (style, title, subtitle, symbol image and its
// placement and padding, content insets, base colours, size, corner style) that then decides
// what it shows. A button may carry a menu; when the menu is its primary action a tap opens the
// menu instead of sending touch-up-inside. A primary action (UIAction) runs on every tap.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"
#include "platform/uikit/UIMenu.h"

namespace platform {

enum class UIControlState { normal, highlighted, disabled, selected };

struct UIButtonConfiguration {
    enum class Style { plain, tinted, gray, filled };
    enum class ImagePlacement { leading, trailing, top, bottom };
    enum class TitleAlignment { automatic, leading, center, trailing };
    enum class Size { mini, small, medium, large };
    enum class CornerStyle { dynamic, fixed, small, medium, large, capsule };

    static UIButtonConfiguration plain() {
        UIButtonConfiguration c;
        c.style = Style::plain;
        return c;
    }
    static UIButtonConfiguration tinted() {
        UIButtonConfiguration c;
        c.style = Style::tinted;
        return c;
    }
    static UIButtonConfiguration gray() {
        UIButtonConfiguration c;
        c.style = Style::gray;
        return c;
    }
    static UIButtonConfiguration filled() {
        UIButtonConfiguration c;
        c.style = Style::filled;
        return c;
    }

    Style style = Style::plain;
    std::optional<std::string> title;
    std::optional<std::string> subtitle;
    std::optional<std::string> image;  // a system symbol name
    std::optional<UIColor> imageColor;
    ImagePlacement imagePlacement = ImagePlacement::leading;
    double imagePadding = 0;
    // Top, leading, bottom, trailing; unset means the size's default.
    std::optional<UIEdgeInsets> contentInsets;
    TitleAlignment titleAlignment = TitleAlignment::automatic;
    std::optional<UIColor> baseForegroundColor;
    std::optional<UIColor> baseBackgroundColor;
    Size buttonSize = Size::medium;
    CornerStyle cornerStyle = CornerStyle::dynamic;
    std::optional<UIFont> titleFont;
    std::optional<NSLineBreakMode> titleLineBreakMode;

    // The insets the button uses: contentInsets, else the default for its size.
    UIEdgeInsets effectiveContentInsets() const;
};

class UIButton : public UIControl {
public:
    enum class ButtonType { system, custom };

    explicit UIButton(ButtonType type = ButtonType::system) : buttonType(type) {}
    static std::shared_ptr<UIButton> make(ButtonType type = ButtonType::system);
    static std::shared_ptr<UIButton> make(UIButtonConfiguration configuration,
                                          std::shared_ptr<UIAction> primaryAction = nullptr);
    std::string_view kindName() const override { return "Button"; }

    ButtonType buttonType;

    // ---- Classic title per state (the normal title stands in for unset states).
    void setTitle(std::optional<std::string> title, UIControlState state);
    std::optional<std::string> title(UIControlState state) const;
    void setTitleColor(std::optional<UIColor> color, UIControlState state);
    std::optional<UIColor> titleColor(UIControlState state) const;
    std::optional<UIFont> titleFont;  // the title label's font
    int titleNumberOfLines = 1;       // the title label's line count (0: unlimited)
    std::optional<double> titleMinimumScaleFactor;  // the title label may shrink to fit
    // The state the button is in now: disabled, else selected, else normal.
    UIControlState currentState() const;

    // ---- Configuration
    std::optional<UIButtonConfiguration> configuration;

    // What the button shows now: the configuration's title when it has one, else the title
    // for the current state.
    std::string displayedTitle() const;
    std::optional<std::string> displayedImage() const;

    // ---- Menu and primary action
    std::shared_ptr<UIMenu> menu;
    bool showsMenuAsPrimaryAction = false;
    // Replaces the primary action (sent on every tap).
    void setPrimaryAction(std::shared_ptr<UIAction> action);
    const std::shared_ptr<UIAction>& primaryAction() const { return primaryAction_; }

    // A tap opens the menu when it is the primary action (see UIWindow::openMenu), else sends
    // touch-up-inside and the primary action.
    void tapped() override;

    double nominalHeight(double width) const override;
    double nominalWidth() const override;

private:
    std::map<UIControlState, std::optional<std::string>> titles_;
    std::map<UIControlState, std::optional<UIColor>> titleColors_;
    std::shared_ptr<UIAction> primaryAction_;
};

}  // namespace platform
