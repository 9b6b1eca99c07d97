#pragma once
// A busy spinner. With hidesWhenStopped (the default) it is hidden exactly while stopped.
#include <memory>
#include <optional>

#include "platform/uikit/UIView.h"

namespace platform {

class UIActivityIndicatorView : public UIView {
public:
    UIActivityIndicatorView() { hidden = true; }
    static std::shared_ptr<UIActivityIndicatorView> make() { return std::make_shared<UIActivityIndicatorView>(); }
    std::string_view kindName() const override { return "ActivityIndicator"; }

    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool value) {
        hidesWhenStopped_ = value;
        if (value) hidden = !animating_;
    }
    bool isAnimating() const { return animating_; }
    void startAnimating() {
        animating_ = true;
        if (hidesWhenStopped_) hidden = false;
    }
    void stopAnimating() {
        animating_ = false;
        if (hidesWhenStopped_) hidden = true;
    }
    std::optional<UIColor> color;

    double nominalHeight(double) const override { return 20; }
    double nominalWidth() const override { return 20; }

private:
    bool hidesWhenStopped_ = true;
    bool animating_ = false;
};

}  // namespace platform
