#pragma once
// A row of a table: its default content (a symbol image, a text and a secondary text) and an
// accessory such as the disclosure chevron.
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIView.h"

namespace platform {

class UITableView;

struct IndexPath {
    int section = 0;
    int row = 0;
    bool operator==(const IndexPath&) const = default;
};

class UITableViewCell : public UIView {
public:
    enum class AccessoryType { none, disclosureIndicator, checkmark };

    struct ContentConfiguration {
        std::optional<std::string> image;  // a system symbol name
        std::string text;
        std::optional<std::string> secondaryText;
    };

    explicit UITableViewCell(std::string reuseIdentifier = {}) : reuseIdentifier(std::move(reuseIdentifier)) {}
    std::string_view kindName() const override { return "Cell"; }

    const std::string reuseIdentifier;
    std::optional<ContentConfiguration> contentConfiguration;
    AccessoryType accessoryType = AccessoryType::none;
    bool selected = false;

    ContentConfiguration defaultContentConfiguration() const { return {}; }

    IndexPath indexPath() const { return indexPath_; }
    std::shared_ptr<UITableView> tableView() const { return table_.lock(); }

    double nominalHeight(double) const override {
        return contentConfiguration && contentConfiguration->secondaryText ? 58 : 44;
    }

private:
    friend class UITableView;
    IndexPath indexPath_;
    std::weak_ptr<UITableView> table_;
};

}  // namespace platform
