#pragma once
// A label: read-only text in a font and colour, on a number of lines (0: as many as needed),
// cut or wrapped by its line-break mode.
//
// A label with inner margins (a padded label) is a subclass that overrides the two operations
// the platform lets it: textDrawingInsets() (the text is drawn in the bounds reduced by them)
// and intrinsicContentSize() (it adds them to the base size). Dumps mark such a label "padded";
// the HTML page pads it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIFont.h"
#include "platform/uikit/UIView.h"

namespace platform {

class UILabel : public UIView {
public:
    enum class TextAlignment { natural, left, center, right };

    // A label hugs its text a little more than a plain view does, so in a row the plain
    // (flexible) view takes the room that is left.
    UILabel() {
        userInteractionEnabled = false;
        horizontalHuggingPriority = 251;
    }
    static std::shared_ptr<UILabel> make(std::string text = {});
    std::string_view kindName() const override { return "Label"; }

    std::string text;
    UIFont font = UIFont::systemFont(UIFont::labelFontSize);
    std::optional<UIColor> textColor;  // unset: label
    int numberOfLines = 1;
    NSLineBreakMode lineBreakMode = NSLineBreakMode::byTruncatingTail;
    TextAlignment textAlignment = TextAlignment::natural;
    bool adjustsFontSizeToFitWidth = false;
    double minimumScaleFactor = 0;

    // The rectangle the text is drawn in is the bounds reduced by these (zero for a label).
    virtual UIEdgeInsets textDrawingInsets() const { return {}; }
    // The text's own size on its lines (no wrapping), before any insets a subclass adds.
    CGSize intrinsicContentSize() const override;

    double nominalHeight(double width) const override;
    double nominalWidth() const override;

private:
    // The widths of the text's lines in the font, kept for the text and font they were
    // measured with (measuring counts characters, which is the costly part of a layout).
    const std::vector<double>& lineWidths() const;
    mutable std::string measuredText_;
    mutable UIFont measuredFont_;
    mutable std::vector<double> measuredWidths_;
    mutable bool measured_ = false;
};

}  // namespace platform
