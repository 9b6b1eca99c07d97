#pragma once
// The small declarative view tree a widget describes itself with: stacks, spacers, texts,
// relative-date texts and a stroked circle, with the modifiers widgets use. A node is a plain
// value; modifiers return a modified copy, so a view reads top-down like the layout it makes:
//
//   WidgetNode::vstack(HorizontalAlignment::leading, 4, {
//       WidgetNode::verbatim(title).font(TextStyle::headline).lineLimit(1),
//       WidgetNode::relativeDate(when).font(TextStyle::caption2),
//   }).padding()
//
// Colours are tokens, resolved to real colours only by the HTML renderer.
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom };
enum class TextStyle { body, headline, subheadline, caption, caption2 };
enum class FontWeight { regular, semibold };
// Semantic foreground styles plus the two fixed colours widgets use as backgrounds.
enum class ColorToken { primary, secondary, quaternary, black, clear };
// The appearance semantic colours resolve in.
enum class ColorScheme { light, dark };

std::string rawValue(HorizontalAlignment a);
std::string rawValue(VerticalAlignment a);
std::string rawValue(TextStyle s);
std::string rawValue(FontWeight w);
std::string rawValue(ColorToken c);
std::string rawValue(ColorScheme s);

struct FrameAlignment {
    HorizontalAlignment horizontal = HorizontalAlignment::center;
    VerticalAlignment vertical = VerticalAlignment::center;
    bool operator==(const FrameAlignment&) const = default;
};

// A frame that grows to fill what its parent offers and places its content inside.
struct FillFrame {
    bool maxWidthInfinity = false;
    bool maxHeightInfinity = false;
    FrameAlignment alignment;
    bool operator==(const FillFrame&) const = default;
};

struct WidgetNode {
    enum class Kind {
        group,         // children placed in the parent as if written there
        vstack,
        hstack,
        zstack,        // children layered, centred on each other
        spacer,
        text,
        relativeDate,  // a self-updating "how long ago" text
        circle,
    };

    Kind kind = Kind::group;
    std::vector<WidgetNode> children;

    // Stacks. Spacing nullopt means the platform's default spacing.
    HorizontalAlignment horizontalAlignment = HorizontalAlignment::center;
    VerticalAlignment verticalAlignment = VerticalAlignment::center;
    std::optional<double> spacing;

    // Spacers.
    std::optional<double> minLength;

    // Texts. `text` is what is shown; `localizationKey` is set for localizable texts.
    std::string text;
    std::optional<std::string> localizationKey;
    double date = 0;  // relativeDate: seconds since 1970
    std::optional<TextStyle> textStyle;
    std::optional<FontWeight> weight;
    std::optional<ColorToken> foreground;
    std::optional<int> maxLines;

    // Circles: a stroke drawn inside the bounds.
    std::optional<ColorToken> strokeColor;
    double strokeWidth = 0;

    // Modifiers.
    std::optional<std::string> identity;
    bool padded = false;  // the platform's default inset on all four edges
    std::optional<FillFrame> frame;
    std::optional<std::string> tapURL;
    std::optional<ColorToken> background;
    // Semantic colours inside this node resolve in this appearance, whatever the system's.
    std::optional<ColorScheme> colorSchemeOverride;

    // ---- Builders. Stacks flatten group children into themselves.
    static WidgetNode group(std::vector<WidgetNode> children);
    static WidgetNode vstack(HorizontalAlignment alignment, std::optional<double> spacing,
                             std::vector<WidgetNode> children);
    static WidgetNode hstack(VerticalAlignment alignment, std::optional<double> spacing,
                             std::vector<WidgetNode> children);
    static WidgetNode zstack(std::vector<WidgetNode> children);
    static WidgetNode spacer(std::optional<double> minLength = std::nullopt);
    // Shown exactly as given.
    static WidgetNode verbatim(std::string text);
    // A localizable text: the key, with "%lld" filled from the argument when one is given.
    // There are no translation tables, so the key is the text.
    static WidgetNode localized(std::string key, std::optional<long long> argument = std::nullopt);
    static WidgetNode relativeDate(double secondsSince1970);
    static WidgetNode circleStrokeBorder(ColorToken color, double lineWidth);

    // ---- Modifiers (each returns a modified copy).
    WidgetNode font(TextStyle style) const;
    WidgetNode fontWeight(FontWeight w) const;
    WidgetNode foregroundStyle(ColorToken color) const;
    WidgetNode lineLimit(int lines) const;
    WidgetNode id(std::string identity) const;
    WidgetNode padding() const;
    WidgetNode fillFrame(bool maxWidthInfinity, bool maxHeightInfinity,
                         FrameAlignment alignment) const;
    // A nullopt URL attaches nothing.
    WidgetNode widgetURL(std::optional<std::string> url) const;
    WidgetNode containerBackground(ColorToken color) const;
    WidgetNode colorScheme(ColorScheme scheme) const;

    // ---- Queries.
    // The widget URL of the first node that carries one, depth first.
    std::optional<std::string> findWidgetURL() const;
    std::optional<ColorToken> findContainerBackground() const;
    // Every shown text (texts and relative dates, the latter as rendered at referenceTime),
    // in reading order.
    std::vector<std::string> visibleTexts(double referenceTime) const;

    bool operator==(const WidgetNode&) const = default;
};

}  // namespace platform
