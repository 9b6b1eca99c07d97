#include "platform/uikit/UILabel.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Text.h"

namespace platform {

std::shared_ptr<UILabel> UILabel::make(std::string text) {
    auto l = std::make_shared<UILabel>();
    l->text = std::move(text);
    return l;
}

namespace {

// Lines of the text as written, each with its width in the font.
std::vector<double> measureLines(const std::string& s, const UIFont& f) {
    std::vector<double> widths;
    if (s.empty()) return widths;
    for (const auto& line : text::splitLines(s)) {
        widths.push_back(static_cast<double>(text::graphemeCount(line)) * f.characterWidth());
    }
    if (widths.empty()) widths.push_back(0);
    return widths;
}

int capLines(int lines, int numberOfLines) { return numberOfLines > 0 ? std::min(lines, numberOfLines) : lines; }

}  // namespace

const std::vector<double>& UILabel::lineWidths() const {
    if (!measured_ || measuredText_ != text || !(measuredFont_ == font)) {
        measuredWidths_ = measureLines(text, font);
        measuredText_ = text;
        measuredFont_ = font;
        measured_ = true;
    }
    return measuredWidths_;
}

CGSize UILabel::intrinsicContentSize() const {
    const auto& widths = lineWidths();
    if (widths.empty()) return {0, 0};
    const int lines = capLines(static_cast<int>(widths.size()), numberOfLines);
    return {std::ceil(*std::max_element(widths.begin(), widths.end())), lines * font.lineHeight()};
}

double UILabel::nominalWidth() const { return intrinsicContentSize().width; }

double UILabel::nominalHeight(double width) const {
    const CGSize intrinsic = intrinsicContentSize();
    const auto& widths = lineWidths();
    if (widths.empty()) return intrinsic.height;
    const double textWidth = *std::max_element(widths.begin(), widths.end());
    const double insetsWidth = std::max(0.0, std::ceil(intrinsic.width) - std::ceil(textWidth));
    const double available = width - insetsWidth;
    int lines = static_cast<int>(widths.size());
    if (numberOfLines != 1 && available > 0) {
        lines = 0;
        for (double w : widths) lines += std::max(1, static_cast<int>(std::ceil(w / available)));
    }
    const int shown = capLines(lines, numberOfLines);
    const int intrinsicLines = capLines(static_cast<int>(widths.size()), numberOfLines);
    return intrinsic.height + (shown - intrinsicLines) * font.lineHeight();
}

}  // namespace platform
