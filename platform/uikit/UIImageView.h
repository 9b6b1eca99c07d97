#pragma once
// An image view showing a system symbol by name, tinted by tintColor.
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIView.h"

namespace platform {

class UIImageView : public UIView {
public:
    enum class ContentMode { scaleToFill, scaleAspectFit, scaleAspectFill, center };

    UIImageView() { userInteractionEnabled = false; }
    static std::shared_ptr<UIImageView> make(std::optional<std::string> symbolName = std::nullopt) {
        auto v = std::make_shared<UIImageView>();
        v->image = std::move(symbolName);
        return v;
    }
    std::string_view kindName() const override { return "Image"; }

    std::optional<std::string> image;
    ContentMode contentMode = ContentMode::scaleToFill;

    double nominalHeight(double) const override { return image ? 20 : 0; }
    double nominalWidth() const override { return image ? 20 : 0; }
};

}  // namespace platform
