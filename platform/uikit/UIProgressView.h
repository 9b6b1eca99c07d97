#pragma once
// A progress bar from 0 to 1.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "platform/uikit/UIView.h"

namespace platform {

class UIProgressView : public UIView {
public:
    static std::shared_ptr<UIProgressView> make() { return std::make_shared<UIProgressView>(); }
    std::string_view kindName() const override { return "Progress"; }

    // Kept within 0...1; a value that is not a number counts as 0.
    void setProgress(double value, bool animated = false) {
        progress_ = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
    }
    double progress() const { return progress_; }
    std::optional<UIColor> progressTintColor;

    double nominalHeight(double) const override { return 4; }

private:
    double progress_ = 0;
};

}  // namespace platform
