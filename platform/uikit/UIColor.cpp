#include "platform/uikit/UIColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform {

struct UIColor::Rep {
    enum class Kind { system, rgba, blend, pattern };
    Kind kind = Kind::system;
    UISystemColor system = UISystemColor::clear;
    RGBA components;
    std::optional<double> alpha;  // replaces the resolved alpha
    std::shared_ptr<const Rep> tint;
    std::shared_ptr<const Rep> base;
    double amount = 0;
    std::string pattern;
};

namespace {

RGBA rgb255(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

// The platform's published values of its system colours in the two appearances.
RGBA systemValue(UISystemColor c, UIUserInterfaceStyle style) {
    const bool dark = style == UIUserInterfaceStyle::dark;
    switch (c) {
        case UISystemColor::systemBackground: return dark ? rgb255(0, 0, 0) : rgb255(255, 255, 255);
        case UISystemColor::systemGroupedBackground: return dark ? rgb255(0, 0, 0) : rgb255(242, 242, 247);
        case UISystemColor::secondarySystemGroupedBackground:
            return dark ? rgb255(28, 28, 30) : rgb255(255, 255, 255);
        case UISystemColor::tertiarySystemGroupedBackground:
            return dark ? rgb255(44, 44, 46) : rgb255(242, 242, 247);
        case UISystemColor::label: return dark ? rgb255(255, 255, 255) : rgb255(0, 0, 0);
        case UISystemColor::secondaryLabel: return dark ? rgb255(235, 235, 245, 0.6) : rgb255(60, 60, 67, 0.6);
        case UISystemColor::tertiaryLabel: return dark ? rgb255(235, 235, 245, 0.3) : rgb255(60, 60, 67, 0.3);
        case UISystemColor::separator: return dark ? rgb255(84, 84, 88, 0.6) : rgb255(60, 60, 67, 0.29);
        case UISystemColor::secondarySystemFill:
            return dark ? rgb255(120, 120, 128, 0.32) : rgb255(120, 120, 128, 0.16);
        case UISystemColor::systemBlue: return dark ? rgb255(10, 132, 255) : rgb255(0, 122, 255);
        case UISystemColor::systemIndigo: return dark ? rgb255(94, 92, 230) : rgb255(88, 86, 214);
        case UISystemColor::systemGreen: return dark ? rgb255(48, 209, 88) : rgb255(52, 199, 89);
        case UISystemColor::systemOrange: return dark ? rgb255(255, 159, 10) : rgb255(255, 149, 0);
        case UISystemColor::systemRed: return dark ? rgb255(255, 69, 58) : rgb255(255, 59, 48);
        case UISystemColor::systemTeal: return dark ? rgb255(64, 200, 224) : rgb255(48, 176, 199);
        case UISystemColor::white: return rgb255(255, 255, 255);
        case UISystemColor::black: return rgb255(0, 0, 0);
        case UISystemColor::clear: return rgb255(0, 0, 0, 0);
    }
    return rgb255(0, 0, 0, 0);
}

double clamp01(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, 0.0, 1.0);
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

std::optional<RGBA> resolve(const UIColor::Rep& r, UIUserInterfaceStyle style) {
    std::optional<RGBA> out;
    switch (r.kind) {
        case UIColor::Rep::Kind::system: out = systemValue(r.system, style); break;
        case UIColor::Rep::Kind::rgba: out = r.components; break;
        case UIColor::Rep::Kind::pattern: return std::nullopt;
        case UIColor::Rep::Kind::blend: {
            const auto base = resolve(*r.base, style);
            const auto tint = resolve(*r.tint, style);
            if (!base || !tint) {
                out = base;
                break;
            }
            const double t = r.amount;
            out = RGBA{base->red + (tint->red - base->red) * t,
                       base->green + (tint->green - base->green) * t,
                       base->blue + (tint->blue - base->blue) * t, 1};
            break;
        }
    }
    if (out && r.alpha) out->alpha = *r.alpha;
    return out;
}

std::string tokenOf(const UIColor::Rep& r) {
    std::string s;
    switch (r.kind) {
        case UIColor::Rep::Kind::system: s = systemColorName(r.system); break;
        case UIColor::Rep::Kind::rgba:
            s = "rgba(" + num(r.components.red) + "," + num(r.components.green) + "," +
                num(r.components.blue) + "," + num(r.components.alpha) + ")";
            break;
        case UIColor::Rep::Kind::blend:
            s = "blend(" + tokenOf(*r.tint) + "," + num(r.amount) + "," + tokenOf(*r.base) + ")";
            break;
        case UIColor::Rep::Kind::pattern: s = "pattern(" + r.pattern + ")"; break;
    }
    if (r.alpha) s += "@" + num(*r.alpha);
    return s;
}

bool sameRep(const UIColor::Rep& a, const UIColor::Rep& b) {
    if (a.kind != b.kind || a.alpha != b.alpha) return false;
    switch (a.kind) {
        case UIColor::Rep::Kind::system: return a.system == b.system;
        case UIColor::Rep::Kind::rgba: return a.components == b.components;
        case UIColor::Rep::Kind::pattern: return a.pattern == b.pattern;
        case UIColor::Rep::Kind::blend:
            return a.amount == b.amount && sameRep(*a.tint, *b.tint) && sameRep(*a.base, *b.base);
    }
    return false;
}

}  // namespace

std::string systemColorName(UISystemColor c) {
    switch (c) {
        case UISystemColor::systemBackground: return "systemBackground";
        case UISystemColor::systemGroupedBackground: return "systemGroupedBackground";
        case UISystemColor::secondarySystemGroupedBackground: return "secondarySystemGroupedBackground";
        case UISystemColor::tertiarySystemGroupedBackground: return "tertiarySystemGroupedBackground";
        case UISystemColor::label: return "label";
        case UISystemColor::secondaryLabel: return "secondaryLabel";
        case UISystemColor::tertiaryLabel: return "tertiaryLabel";
        case UISystemColor::separator: return "separator";
        case UISystemColor::secondarySystemFill: return "secondarySystemFill";
        case UISystemColor::systemBlue: return "systemBlue";
        case UISystemColor::systemIndigo: return "systemIndigo";
        case UISystemColor::systemGreen: return "systemGreen";
        case UISystemColor::systemOrange: return "systemOrange";
        case UISystemColor::systemRed: return "systemRed";
        case UISystemColor::systemTeal: return "systemTeal";
        case UISystemColor::white: return "white";
        case UISystemColor::black: return "black";
        case UISystemColor::clear: return "clear";
    }
    return "clear";
}

UIColor::UIColor() : UIColor(named(UISystemColor::clear)) {}

UIColor UIColor::named(UISystemColor c) {
    auto r = std::make_shared<Rep>();
    r->kind = Rep::Kind::system;
    r->system = c;
    return UIColor(std::move(r));
}

UIColor UIColor::rgba(double red, double green, double blue, double alpha) {
    auto r = std::make_shared<Rep>();
    r->kind = Rep::Kind::rgba;
    r->components = {clamp01(red), clamp01(green), clamp01(blue), clamp01(alpha)};
    return UIColor(std::move(r));
}

UIColor UIColor::blend(const UIColor& tint, double amount, const UIColor& base) {
    auto r = std::make_shared<Rep>();
    r->kind = Rep::Kind::blend;
    r->tint = tint.rep_;
    r->base = base.rep_;
    r->amount = clamp01(amount);
    return UIColor(std::move(r));
}

UIColor UIColor::patternImage(std::string imageName) {
    auto r = std::make_shared<Rep>();
    r->kind = Rep::Kind::pattern;
    r->pattern = std::move(imageName);
    return UIColor(std::move(r));
}

UIColor UIColor::withAlphaComponent(double alpha) const {
    auto r = std::make_shared<Rep>(*rep_);
    if (r->kind == Rep::Kind::rgba) {
        r->components.alpha = clamp01(alpha);
    } else {
        r->alpha = clamp01(alpha);
    }
    return UIColor(std::move(r));
}

std::optional<RGBA> UIColor::resolved(UIUserInterfaceStyle style) const { return resolve(*rep_, style); }

std::optional<UISystemColor> UIColor::systemColor() const {
    if (rep_->kind != Rep::Kind::system) return std::nullopt;
    return rep_->system;
}

std::string UIColor::token() const { return tokenOf(*rep_); }

bool UIColor::operator==(const UIColor& other) const {
    return rep_ == other.rep_ || sameRep(*rep_, *other.rep_);
}

std::string cssColor(const std::optional<RGBA>& c) {
    if (!c) return "transparent";
    auto channel = [](double v) { return std::to_string(static_cast<int>(std::lround(clamp01(v) * 255))); };
    return "rgba(" + channel(c->red) + ", " + channel(c->green) + ", " + channel(c->blue) + ", " +
           num(clamp01(c->alpha)) + ")";
}

}  // namespace platform
