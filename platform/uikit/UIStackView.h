#pragma once
// A stack: arranges its arranged subviews in a row or a column with a spacing, an alignment
// across the axis and a distribution along it, optionally inside its layout margins. Arranged
// subviews are also subviews; a hidden one takes no room. Removing a view from the stack's
// arranged list keeps it as a subview, as on the platform; removeAllArrangedSubviews() and
// removeFromSuperview() take views out of both, which is what rebuilding a screen wants.
#include <memory>
#include <vector>

#include "platform/uikit/UIView.h"

namespace platform {

class UIStackView : public UIView {
public:
    enum class Axis { horizontal, vertical };
    // leading/trailing are top/bottom in a row.
    enum class Alignment { fill, leading, center, trailing };
    enum class Distribution { fill, fillEqually };

    static std::shared_ptr<UIStackView> make(Axis axis = Axis::vertical, double spacing = 0,
                                             std::vector<std::shared_ptr<UIView>> arranged = {});
    static std::shared_ptr<UIStackView> vertical(double spacing = 0, std::vector<std::shared_ptr<UIView>> arranged = {}) {
        return make(Axis::vertical, spacing, std::move(arranged));
    }
    static std::shared_ptr<UIStackView> horizontal(double spacing = 0,
                                                   std::vector<std::shared_ptr<UIView>> arranged = {}) {
        return make(Axis::horizontal, spacing, std::move(arranged));
    }
    std::string_view kindName() const override { return axis == Axis::vertical ? "VStack" : "HStack"; }

    Axis axis = Axis::horizontal;
    double spacing = 0;
    Alignment alignment = Alignment::fill;
    Distribution distribution = Distribution::fill;
    bool isLayoutMarginsRelativeArrangement = false;

    const std::vector<std::shared_ptr<UIView>>& arrangedSubviews() const { return arranged_; }
    void addArrangedSubview(const std::shared_ptr<UIView>& view);
    void insertArrangedSubview(const std::shared_ptr<UIView>& view, std::size_t index);
    // Leaves view a subview of the stack.
    void removeArrangedSubview(const UIView& view);
    // Removes every arranged subview from the stack and from the view tree.
    void removeAllArrangedSubviews();

    double nominalHeight(double width) const override;
    double nominalWidth() const override;
    void placeSubviews(const CGSize& size) const override;

protected:
    void didRemoveSubview(UIView& view) override { removeArrangedSubview(view); }

private:
    std::vector<std::shared_ptr<UIView>> visibleArranged() const;
    UIEdgeInsets padding() const { return isLayoutMarginsRelativeArrangement ? layoutMargins : UIEdgeInsets{}; }
    std::vector<std::shared_ptr<UIView>> arranged_;
};

}  // namespace platform
