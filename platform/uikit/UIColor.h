#pragma once
// Colours as tokens, the way the platform's dynamic colours behave: a token names what to paint
// (a named system colour, optionally with its alpha replaced; a fixed RGBA colour; the blend of
// two colours; a pattern image) and is resolved to components only when something is drawn, in
// the light or the dark appearance. Tests compare tokens, never pixels.
//
// The named colours resolve to the platform's published light and dark values. A blend resolves
// both colours in the appearance asked for and mixes their red, green and blue components by
// the amount (clamped to 0...1), with alpha 1; when either cannot be read as components (a
// pattern image) the blend is the resolved base colour.
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class UIUserInterfaceStyle { light, dark };

enum class UISystemColor {
    systemBackground,
    systemGroupedBackground,
    secondarySystemGroupedBackground,
    tertiarySystemGroupedBackground,
    label,
    secondaryLabel,
    tertiaryLabel,
    separator,
    secondarySystemFill,
    systemBlue,
    systemIndigo,
    systemGreen,
    systemOrange,
    systemRed,
    systemTeal,
    white,
    black,
    clear,
};

// The platform's name of a system colour ("systemBlue", "secondaryLabel", ...).
std::string systemColorName(UISystemColor c);

// Components in 0...1.
struct RGBA {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const RGBA&) const = default;
};

class UIColor {
public:
    // Clear.
    UIColor();
    static UIColor named(UISystemColor c);
    static UIColor rgba(double red, double green, double blue, double alpha = 1);
    static UIColor blend(const UIColor& tint, double amount, const UIColor& base);
    // A colour drawn from an image; it has no components to resolve to.
    static UIColor patternImage(std::string imageName);

    static UIColor systemBackground() { return named(UISystemColor::systemBackground); }
    static UIColor systemGroupedBackground() { return named(UISystemColor::systemGroupedBackground); }
    static UIColor secondarySystemGroupedBackground() { return named(UISystemColor::secondarySystemGroupedBackground); }
    static UIColor tertiarySystemGroupedBackground() { return named(UISystemColor::tertiarySystemGroupedBackground); }
    static UIColor label() { return named(UISystemColor::label); }
    static UIColor secondaryLabel() { return named(UISystemColor::secondaryLabel); }
    static UIColor tertiaryLabel() { return named(UISystemColor::tertiaryLabel); }
    static UIColor separator() { return named(UISystemColor::separator); }
    static UIColor secondarySystemFill() { return named(UISystemColor::secondarySystemFill); }
    static UIColor systemBlue() { return named(UISystemColor::systemBlue); }
    static UIColor systemIndigo() { return named(UISystemColor::systemIndigo); }
    static UIColor systemGreen() { return named(UISystemColor::systemGreen); }
    static UIColor systemOrange() { return named(UISystemColor::systemOrange); }
    static UIColor systemRed() { return named(UISystemColor::systemRed); }
    static UIColor systemTeal() { return named(UISystemColor::systemTeal); }
    static UIColor white() { return named(UISystemColor::white); }
    static UIColor black() { return named(UISystemColor::black); }
    static UIColor clear() { return named(UISystemColor::clear); }

    // The same colour with its alpha replaced by alpha (clamped to 0...1).
    UIColor withAlphaComponent(double alpha) const;

    // The colour's components in the given appearance; nullopt when it has none (a pattern image).
    std::optional<RGBA> resolved(UIUserInterfaceStyle style) const;

    // The named system colour this token is, with any alpha replacement ignored; nullopt for
    // the other kinds.
    std::optional<UISystemColor> systemColor() const;

    // Stable text of the token for dumps: "systemBlue", "systemBlue@0.14", "rgba(1,0.5,0,1)",
    // "blend(systemTeal,0.127,secondarySystemGroupedBackground)", "pattern(stripes)".
    std::string token() const;

    bool operator==(const UIColor& other) const;

    struct Rep;  // opaque

private:
    explicit UIColor(std::shared_ptr<const Rep> rep) : rep_(std::move(rep)) {}
    std::shared_ptr<const Rep> rep_;
};

// CSS text of resolved components ("rgba(0, 122, 255, 1)"); "transparent" for none.
std::string cssColor(const std::optional<RGBA>& c);

}  // namespace platform
