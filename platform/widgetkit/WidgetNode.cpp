#include "platform/widgetkit/WidgetNode.h"

#include <string_view>

#include "platform/foundation/Text.h"
#include "platform/widgetkit/WidgetRenderer.h"

namespace platform {

std::string rawValue(HorizontalAlignment a) {
    switch (a) {
        case HorizontalAlignment::leading: return "leading";
        case HorizontalAlignment::center: return "center";
        case HorizontalAlignment::trailing: return "trailing";
    }
    return "center";
}

std::string rawValue(VerticalAlignment a) {
    switch (a) {
        case VerticalAlignment::top: return "top";
        case VerticalAlignment::center: return "center";
        case VerticalAlignment::bottom: return "bottom";
    }
    return "center";
}

std::string rawValue(TextStyle s) {
    switch (s) {
        case TextStyle::body: return "body";
        case TextStyle::headline: return "headline";
        case TextStyle::subheadline: return "subheadline";
        case TextStyle::caption: return "caption";
        case TextStyle::caption2: return "caption2";
    }
    return "body";
}

std::string rawValue(FontWeight w) {
    switch (w) {
        case FontWeight::regular: return "regular";
        case FontWeight::semibold: return "semibold";
    }
    return "regular";
}

std::string rawValue(ColorToken c) {
    switch (c) {
        case ColorToken::primary: return "primary";
        case ColorToken::secondary: return "secondary";
        case ColorToken::quaternary: return "quaternary";
        case ColorToken::black: return "black";
        case ColorToken::clear: return "clear";
    }
    return "primary";
}

std::string rawValue(ColorScheme s) {
    switch (s) {
        case ColorScheme::light: return "light";
        case ColorScheme::dark: return "dark";
    }
    return "light";
}

namespace {

void appendFlattened(std::vector<WidgetNode>& out, std::vector<WidgetNode>&& children) {
    for (auto& child : children) {
        // A bare group (no modifiers of its own) dissolves into the stack that holds it.
        if (child.kind == WidgetNode::Kind::group && !child.identity && !child.padded &&
            !child.frame && !child.tapURL && !child.background &&
            !child.colorSchemeOverride) {
            appendFlattened(out, std::move(child.children));
        } else {
            out.push_back(std::move(child));
        }
    }
}

WidgetNode stack(WidgetNode::Kind kind, std::vector<WidgetNode> children) {
    WidgetNode n;
    n.kind = kind;
    appendFlattened(n.children, std::move(children));
    return n;
}

}  // namespace

WidgetNode WidgetNode::group(std::vector<WidgetNode> children) {
    WidgetNode n;
    n.kind = Kind::group;
    appendFlattened(n.children, std::move(children));
    return n;
}

WidgetNode WidgetNode::vstack(HorizontalAlignment alignment, std::optional<double> spacing,
                              std::vector<WidgetNode> children) {
    WidgetNode n = stack(Kind::vstack, std::move(children));
    n.horizontalAlignment = alignment;
    n.spacing = spacing;
    return n;
}

WidgetNode WidgetNode::hstack(VerticalAlignment alignment, std::optional<double> spacing,
                              std::vector<WidgetNode> children) {
    WidgetNode n = stack(Kind::hstack, std::move(children));
    n.verticalAlignment = alignment;
    n.spacing = spacing;
    return n;
}

WidgetNode WidgetNode::zstack(std::vector<WidgetNode> children) {
    return stack(Kind::zstack, std::move(children));
}

WidgetNode WidgetNode::spacer(std::optional<double> minLength) {
    WidgetNode n;
    n.kind = Kind::spacer;
    n.minLength = minLength;
    return n;
}

WidgetNode WidgetNode::verbatim(std::string text) {
    WidgetNode n;
    n.kind = Kind::text;
    n.text = std::move(text);
    return n;
}

WidgetNode WidgetNode::localized(std::string key, std::optional<long long> argument) {
    WidgetNode n;
    n.kind = Kind::text;
    n.text = argument ? text::replacingOccurrences(key, "%lld", std::to_string(*argument)) : key;
    n.localizationKey = std::move(key);
    return n;
}

WidgetNode WidgetNode::relativeDate(double secondsSince1970) {
    WidgetNode n;
    n.kind = Kind::relativeDate;
    n.date = secondsSince1970;
    return n;
}

WidgetNode WidgetNode::circleStrokeBorder(ColorToken color, double lineWidth) {
    WidgetNode n;
    n.kind = Kind::circle;
    n.strokeColor = color;
    n.strokeWidth = lineWidth;
    return n;
}

WidgetNode WidgetNode::font(TextStyle style) const {
    WidgetNode n = *this;
    n.textStyle = style;
    return n;
}

WidgetNode WidgetNode::fontWeight(FontWeight w) const {
    WidgetNode n = *this;
    n.weight = w;
    return n;
}

WidgetNode WidgetNode::foregroundStyle(ColorToken color) const {
    WidgetNode n = *this;
    n.foreground = color;
    return n;
}

WidgetNode WidgetNode::lineLimit(int lines) const {
    WidgetNode n = *this;
    n.maxLines = lines;
    return n;
}

WidgetNode WidgetNode::id(std::string identity) const {
    WidgetNode n = *this;
    n.identity = std::move(identity);
    return n;
}

WidgetNode WidgetNode::padding() const {
    WidgetNode n = *this;
    n.padded = true;
    return n;
}

WidgetNode WidgetNode::fillFrame(bool maxWidthInfinity, bool maxHeightInfinity,
                                 FrameAlignment alignment) const {
    WidgetNode n = *this;
    n.frame = FillFrame{maxWidthInfinity, maxHeightInfinity, alignment};
    return n;
}

WidgetNode WidgetNode::widgetURL(std::optional<std::string> url) const {
    WidgetNode n = *this;
    if (url) n.tapURL = std::move(url);
    return n;
}

WidgetNode WidgetNode::containerBackground(ColorToken color) const {
    WidgetNode n = *this;
    n.background = color;
    return n;
}

WidgetNode WidgetNode::colorScheme(ColorScheme scheme) const {
    WidgetNode n = *this;
    n.colorSchemeOverride = scheme;
    return n;
}

std::optional<std::string> WidgetNode::findWidgetURL() const {
    if (tapURL) return tapURL;
    for (const auto& c : children) {
        if (auto u = c.findWidgetURL()) return u;
    }
    return std::nullopt;
}

std::optional<ColorToken> WidgetNode::findContainerBackground() const {
    if (background) return background;
    for (const auto& c : children) {
        if (auto b = c.findContainerBackground()) return b;
    }
    return std::nullopt;
}

namespace {
void collectTexts(const WidgetNode& n, double referenceTime, std::vector<std::string>& out) {
    if (n.kind == WidgetNode::Kind::text) out.push_back(n.text);
    if (n.kind == WidgetNode::Kind::relativeDate) {
        out.push_back(WidgetRenderer::relativeTimeText(n.date, referenceTime));
    }
    for (const auto& c : n.children) collectTexts(c, referenceTime, out);
}
}  // namespace

std::vector<std::string> WidgetNode::visibleTexts(double referenceTime) const {
    std::vector<std::string> out;
    collectTexts(*this, referenceTime, out);
    return out;
}

}  // namespace platform
