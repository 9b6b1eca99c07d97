#pragma once
// A font as the screen asks for it: the system font or its monospaced designs at a point size
// and weight. Nothing is measured from real glyphs; the renderers map it to CSS and the nominal
// layout estimates text sizes from it.
#include <string>

namespace platform {

struct UIFont {
    enum class Weight { regular, medium, semibold, bold };
    enum class Design {
        system,
        monospaced,       // every character the same width (commands, paths)
        monospacedDigit,  // digits the same width, letters proportional
    };

    double pointSize = 17;
    Weight weight = Weight::regular;
    Design design = Design::system;

    static UIFont systemFont(double size, Weight weight = Weight::regular) { return {size, weight, Design::system}; }
    static UIFont monospacedSystemFont(double size, Weight weight) { return {size, weight, Design::monospaced}; }
    static UIFont monospacedDigitSystemFont(double size, Weight weight) {
        return {size, weight, Design::monospacedDigit};
    }
    // The size of the default body text.
    static constexpr double labelFontSize = 17;

    // The platform's line height of the font, rounded up to whole points.
    double lineHeight() const;
    // Estimated advance of one character.
    double characterWidth() const;

    bool operator==(const UIFont&) const = default;
};

std::string weightName(UIFont::Weight w);

// How text that does not fit is wrapped or cut.
enum class NSLineBreakMode { byWordWrapping, byCharWrapping, byClipping, byTruncatingHead, byTruncatingTail, byTruncatingMiddle };

}  // namespace platform
