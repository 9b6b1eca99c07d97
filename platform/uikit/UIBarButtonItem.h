#pragma once
// A button of a bar: the navigation bar's leading and trailing buttons and the items of a
// toolbar (the keyboard's accessory row). A system item shows the platform's own title or
// glyph ("Cancel", "Done", the plus of Add); a space stretches between items and cannot be
// tapped. A tap sends the target-action pairs, or opens the menu when the item has one and no
// target.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIMenu.h"

namespace platform {

class UIBarButtonItem : public UIControl {
public:
    enum class SystemItem { none, done, cancel, add, flexibleSpace, fixedSpace };
    enum class Style { plain, done };

    static std::shared_ptr<UIBarButtonItem> system(SystemItem item);
    static std::shared_ptr<UIBarButtonItem> titled(std::string title, Style style = Style::plain);
    static std::shared_ptr<UIBarButtonItem> symbol(std::string symbolName, Style style = Style::plain);
    static std::shared_ptr<UIBarButtonItem> flexibleSpace() { return system(SystemItem::flexibleSpace); }
    std::string_view kindName() const override { return "BarButtonItem"; }

    SystemItem systemItem = SystemItem::none;
    Style style = Style::plain;
    std::string title;
    std::optional<std::string> image;
    std::shared_ptr<UIMenu> menu;

    bool isSpace() const { return systemItem == SystemItem::flexibleSpace || systemItem == SystemItem::fixedSpace; }
    // The title a person reads: the title, else the system item's ("Done", "Cancel", "Add").
    std::string displayedTitle() const;

    void tapped() override;

    double nominalHeight(double) const override { return 44; }
    double nominalWidth() const override;
};

// A bar of items: the accessory row above the keyboard. Items are its subviews, in order.
class UIToolbar : public UIView {
public:
    static std::shared_ptr<UIToolbar> make(std::vector<std::shared_ptr<UIBarButtonItem>> items = {});
    std::string_view kindName() const override { return "Toolbar"; }

    void setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items);
    const std::vector<std::shared_ptr<UIBarButtonItem>>& items() const { return items_; }
    // Takes the bar's height; its width is the keyboard's.
    void sizeToFit() override { fixedHeight = 44; }

    double nominalHeight(double) const override { return 44; }
    void placeSubviews(const CGSize& size) const override;

protected:
    void didRemoveSubview(UIView& view) override;

private:
    std::vector<std::shared_ptr<UIBarButtonItem>> items_;
};

}  // namespace platform
