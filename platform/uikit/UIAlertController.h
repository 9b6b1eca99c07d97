#pragma once
// An alert: a title, a message, text fields and actions, presented modally. A person answers it
// by tapping an action: the alert is dismissed first, then the action's handler runs (once). A
// disabled action cannot be tapped. Actions are controls in the alert's view, so the driver
// finds and taps them like any button.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UITextField.h"
#include "platform/uikit/UIViewController.h"

namespace platform {

class UIAlertController;

class UIAlertAction : public UIControl {
public:
    enum class Style { defaultStyle, cancel, destructive };

    static std::shared_ptr<UIAlertAction> make(std::string title, Style style,
                                               std::function<void(UIAlertAction&)> handler = {});
    std::string_view kindName() const override { return "AlertAction"; }

    std::string title;
    Style style = Style::defaultStyle;
    std::function<void(UIAlertAction&)> handler;

    void tapped() override;

private:
    friend class UIAlertController;
    std::weak_ptr<UIAlertController> alert_;
};

class UIAlertController : public UIViewController {
public:
    enum class Style { alert, actionSheet };

    static std::shared_ptr<UIAlertController> make(std::string title, std::string message, Style style = Style::alert);
    std::string_view kindName() const override { return "Alert"; }

    std::string message;
    Style preferredStyle = Style::alert;
    std::shared_ptr<UIAlertAction> preferredAction;

    // Adds a text field; configure runs on it at once.
    void addTextField(const std::function<void(UITextField&)>& configure = {});
    const std::vector<std::shared_ptr<UITextField>>& textFields() const { return textFields_; }
    void addAction(const std::shared_ptr<UIAlertAction>& action);
    const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return actions_; }

    // What a tap on an enabled action does: dismiss, then the handler.
    void choose(UIAlertAction& action);

protected:
    void loadView() override;

private:
    void rebuild();
    std::vector<std::shared_ptr<UITextField>> textFields_;
    std::vector<std::shared_ptr<UIAlertAction>> actions_;
};

}  // namespace platform
