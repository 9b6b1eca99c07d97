// The HTML page of ScreenRenderer.h.
#include <algorithm>
#include <map>
#include <variant>

#include "platform/render/RenderText.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIActivityIndicatorView.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIProgressView.h"
#include "platform/uikit/UISearchController.h"
#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UIStackView.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITextView.h"
#include "platform/uikit/UIWindow.h"

namespace platform {
namespace {

using render::escapeHtml;
using render::formatNumber;

std::string px(double v) { return formatNumber(v) + "px"; }

std::string box(const UIEdgeInsets& e) { return px(e.top) + " " + px(e.right) + " " + px(e.bottom) + " " + px(e.left); }

// A glyph that stands in for a system symbol; the page keeps the name in data-symbol.
std::string glyph(const std::string& symbol) {
    static const std::map<std::string, std::string> glyphs = {
        {"chevron.down", "⌄"}, {"chevron.up", "⌃"}, {"chevron.right", "›"}, {"checkmark.circle.fill", "✔"},
        {"circle", "○"}, {"checkmark.seal.fill", "✪"}, {"folder", "▭"}, {"arrow.up.left", "↖"},
        {"sparkles", "✦"}, {"bell", "♪"}, {"wand.and.stars", "✧"}, {"slider.horizontal.3", "☰"},
        {"lock.shield.fill", "⛨"}, {"clock.badge.checkmark", "◷"}, {"line.3.horizontal.decrease.circle", "≡"},
        {"arrow.up.arrow.down.circle", "⇅"}, {"textformat.abc", "abc"}, {"clock.arrow.circlepath", "↻"},
        {"arrow.down.right.and.arrow.up.left", "⤡"}, {"plus", "+"}, {"magnifyingglass", "⌕"},
    };
    auto it = glyphs.find(symbol);
    return it == glyphs.end() ? "◆" : it->second;
}

std::string fontCss(const UIFont& f) {
    std::string s = "font-size:" + px(f.pointSize) + ";";
    switch (f.weight) {
        case UIFont::Weight::regular: s += "font-weight:400;"; break;
        case UIFont::Weight::medium: s += "font-weight:500;"; break;
        case UIFont::Weight::semibold: s += "font-weight:600;"; break;
        case UIFont::Weight::bold: s += "font-weight:700;"; break;
    }
    if (f.design == UIFont::Design::monospaced) s += "font-family:ui-monospace,Menlo,Consolas,monospace;";
    if (f.design == UIFont::Design::monospacedDigit) s += "font-variant-numeric:tabular-nums;";
    return s;
}

enum class Parent { column, row, stackColumn, stackRow, layers };

class HtmlWriter {
public:
    explicit HtmlWriter(UIUserInterfaceStyle style) : style_(style) {}

    std::string color(const UIColor& c) const { return cssColor(c.resolved(style_)); }
    std::string color(const std::optional<UIColor>& c, const UIColor& fallback) const { return color(c ? *c : fallback); }

    void view(const UIView& v, Parent parent, std::string& out) const;
    void presented(const UIViewController& c, const UIWindow& w, std::string& out) const;
    void menu(const UIMenu& m, std::string& out) const;

private:
    std::string common(const UIView& v, Parent parent) const;
    std::string attrs(const UIView& v, const std::string& cls) const;
    void children(const UIView& v, Parent parent, std::string& out) const;
    void button(const UIButton& b, const std::string& style, std::string& out) const;

    UIUserInterfaceStyle style_;
};

bool rendered(const UIView& v) {
    if (v.hidden || v.alpha <= 0.01) return false;
    return true;
}

std::string HtmlWriter::attrs(const UIView& v, const std::string& cls) const {
    std::string a = " class=\"v " + cls + "\" data-kind=\"" + std::string(v.kindName()) + "\"";
    if (!v.role.empty()) a += " data-role=\"" + escapeHtml(v.role) + "\"";
    if (!v.accessibilityIdentifier.empty()) a += " data-id=\"" + escapeHtml(v.accessibilityIdentifier) + "\"";
    if (!v.accessibilityLabel.empty()) a += " aria-label=\"" + escapeHtml(v.accessibilityLabel) + "\"";
    return a;
}

// The box of the view itself and how it sits in its parent.
std::string HtmlWriter::common(const UIView& v, Parent parent) const {
    std::string s;
    if (v.backgroundColor) s += "background:" + color(*v.backgroundColor) + ";";
    if (v.cornerRadius > 0) s += "border-radius:" + px(v.cornerRadius) + ";";
    if (v.borderWidth > 0) {
        s += "border:" + px(v.borderWidth) + " solid " + color(v.borderColor, UIColor::black()) + ";";
    }
    if (v.clipsToBounds || v.cornerRadius > 0) s += "overflow:hidden;";
    if (v.alpha < 1) s += "opacity:" + formatNumber(std::max(0.0, v.alpha)) + ";";
    if (v.fixedWidth) s += "width:" + px(*v.fixedWidth) + ";flex:0 0 auto;";
    if (v.fixedHeight) s += "height:" + px(*v.fixedHeight) + ";";
    if (v.minimumHeight) s += "min-height:" + px(*v.minimumHeight) + ";";
    switch (parent) {
        case Parent::column:
            if (!v.edgesInSuperview.isZero()) s += "margin:" + box(v.edgesInSuperview) + ";";
            if (v.fillsRemainingHeight() && !v.fixedHeight) s += "flex:1 1 0;min-height:0;";
            break;
        case Parent::row:
        case Parent::stackRow:
            if (!v.fixedWidth) {
                if (v.horizontalHuggingPriority <= 250) s += "flex-grow:1;";
                s += v.horizontalCompressionResistance >= 1000 ? "flex-shrink:0;" : "flex-shrink:1;min-width:0;";
            }
            break;
        case Parent::stackColumn:
        case Parent::layers: break;
    }
    return s;
}

void HtmlWriter::children(const UIView& v, Parent parent, std::string& out) const {
    if (const auto* stack = dynamic_cast<const UIStackView*>(&v)) {
        for (const auto& c : stack->arrangedSubviews()) view(*c, parent, out);
        return;
    }
    for (const auto& c : v.subviews()) view(*c, parent, out);
}

void HtmlWriter::button(const UIButton& b, const std::string& base, std::string& out) const {
    std::string s = "all:unset;box-sizing:border-box;" + base + "display:flex;align-items:center;cursor:pointer;";
    std::string fg;
    std::string contentAlign = "center";
    if (b.contentHorizontalAlignment == UIControl::ContentHorizontalAlignment::leading ||
        b.contentHorizontalAlignment == UIControl::ContentHorizontalAlignment::fill) {
        contentAlign = "flex-start";
    }
    std::string inner;
    if (b.configuration) {
        const auto& c = *b.configuration;
        const UIColor tint = b.tintColor.value_or(UIColor::systemBlue());
        std::string bg;
        switch (c.style) {
            case UIButtonConfiguration::Style::plain: bg = ""; break;
            case UIButtonConfiguration::Style::tinted: bg = color(c.baseBackgroundColor, tint.withAlphaComponent(0.15)); break;
            case UIButtonConfiguration::Style::gray:
                bg = color(c.baseBackgroundColor, UIColor::secondarySystemFill());
                break;
            case UIButtonConfiguration::Style::filled: bg = color(c.baseBackgroundColor, tint); break;
        }
        if (!bg.empty() && !b.backgroundColor) s += "background:" + bg + ";";
        fg = color(c.baseForegroundColor, c.style == UIButtonConfiguration::Style::filled ? UIColor::white() : tint);
        s += "padding:" + box(c.effectiveContentInsets()) + ";";
        if (b.cornerRadius == 0) {
            s += c.cornerStyle == UIButtonConfiguration::CornerStyle::capsule ? "border-radius:999px;" : "border-radius:8px;";
        }
        if (c.titleAlignment == UIButtonConfiguration::TitleAlignment::leading) contentAlign = "flex-start";
        const UIFont font = c.titleFont.value_or(UIFont::systemFont(c.buttonSize == UIButtonConfiguration::Size::mini ? 13 : 15,
                                                                    UIFont::Weight::medium));
        std::string text = "<span class=\"titles\" style=\"display:flex;flex-direction:column;min-width:0;" +
                           std::string(contentAlign == "flex-start" ? "text-align:left;" : "text-align:center;") + "\">";
        if (c.title) {
            text += "<span class=\"title\" style=\"" + fontCss(font) + "overflow:hidden;text-overflow:ellipsis;" +
                    (b.titleNumberOfLines == 1 ? std::string("white-space:nowrap;") : std::string()) + "\">" +
                    escapeHtml(*c.title) + "</span>";
        }
        if (c.subtitle) {
            text += "<span class=\"subtitle\" style=\"font-size:12px;opacity:0.8;\">" + escapeHtml(*c.subtitle) + "</span>";
        }
        text += "</span>";
        std::string image;
        if (c.image) {
            image = "<span class=\"symbol\" data-symbol=\"" + escapeHtml(*c.image) + "\" style=\"flex:0 0 auto;" +
                    (c.imageColor ? "color:" + color(*c.imageColor) + ";" : std::string()) + "\">" + glyph(*c.image) +
                    "</span>";
        }
        const std::string gap = "<span style=\"flex:0 0 " + px(c.imagePadding) + ";\"></span>";
        if (c.image && (c.title || c.subtitle)) {
            if (c.imagePlacement == UIButtonConfiguration::ImagePlacement::trailing) {
                inner = text + "<span style=\"flex:1 1 0;\"></span>" + gap + image;
            } else {
                inner = image + gap + text;
            }
        } else {
            inner = image + text;
        }
    } else {
        fg = color(b.titleColor(b.currentState()), b.tintColor.value_or(UIColor::systemBlue()));
        s += "padding:7px 10px;";
        inner = "<span class=\"title\" style=\"" + fontCss(b.titleFont.value_or(UIFont::systemFont(17))) +
                "overflow:hidden;text-overflow:ellipsis;white-space:nowrap;\">" + escapeHtml(b.displayedTitle()) + "</span>";
    }
    s += "color:" + fg + ";justify-content:" + contentAlign + ";";
    if (!b.enabled && !(b.configuration == std::nullopt && b.titleColor(UIControlState::disabled) !=
                                                            b.titleColor(UIControlState::normal))) {
        s += "opacity:0.45;";
    }
    std::string a = attrs(b, "button");
    if (b.menu) a += " data-menu=\"" + escapeHtml(b.menu->title) + "\"";
    if (!b.enabled) a += " aria-disabled=\"true\"";
    if (b.selected) a += " data-selected=\"true\"";
    out += "<div role=\"button\"" + a + " style=\"" + s + "\">" + inner + "</div>";
}

void HtmlWriter::view(const UIView& v, Parent parent, std::string& out) const {
    if (!rendered(v)) return;
    if (const auto* item = dynamic_cast<const UIBarButtonItem*>(&v); item && item->isSpace()) {
        out += "<span class=\"space\" style=\"flex:1 1 0;\"></span>";
        return;
    }
    const std::string base = common(v, parent);

    if (const auto* l = dynamic_cast<const UILabel*>(&v)) {
        std::string s = base + fontCss(l->font) + "color:" + color(l->textColor, UIColor::label()) + ";";
        if (!l->textDrawingInsets().isZero()) s += "padding:" + box(l->textDrawingInsets()) + ";align-self:flex-start;";
        if (l->numberOfLines == 1) {
            s += "white-space:pre;overflow:hidden;text-overflow:ellipsis;";
        } else {
            s += "white-space:pre-wrap;overflow-wrap:anywhere;";
            if (l->numberOfLines > 1) {
                s += "display:-webkit-box;-webkit-box-orient:vertical;overflow:hidden;-webkit-line-clamp:" +
                     std::to_string(l->numberOfLines) + ";";
            }
        }
        if (l->textAlignment == UILabel::TextAlignment::center) s += "text-align:center;";
        if (l->textAlignment == UILabel::TextAlignment::right) s += "text-align:right;";
        out += "<div" + attrs(v, "label") + " style=\"" + s + "\">" + escapeHtml(l->text) + "</div>";
        return;
    }
    if (const auto* b = dynamic_cast<const UIButton*>(&v)) {
        button(*b, base, out);
        return;
    }
    if (const auto* f = dynamic_cast<const UITextField*>(&v)) {
        std::string s = base + "display:flex;align-items:center;box-sizing:border-box;min-height:34px;text-align:left;" +
                        fontCss(f->font);
        if (f->borderStyle == UITextField::BorderStyle::roundedRect) {
            s += "border-radius:8px;padding:0 0 0 8px;";
            if (!v.backgroundColor) s += "background:" + color(UIColor::secondarySystemGroupedBackground()) + ";";
        }
        if (dynamic_cast<const UISearchBar*>(f)) {
            s += "border-radius:10px;padding:0 0 0 8px;background:" + color(UIColor::secondarySystemFill()) + ";";
        }
        if (f->isEditing()) s += "box-shadow:0 0 0 2px " + color(UIColor::systemBlue()) + ";";
        std::string inner;
        if (dynamic_cast<const UISearchBar*>(f)) inner += "<span class=\"symbol\" style=\"margin-right:6px;\">⌕</span>";
        if (f->text.empty()) {
            inner += "<span class=\"placeholder\" style=\"flex:1 1 0;min-width:0;overflow:hidden;white-space:nowrap;"
                     "text-overflow:ellipsis;color:" + color(UIColor::tertiaryLabel()) + ";\">" + escapeHtml(f->placeholder) +
                     "</span>";
        } else {
            inner += "<span class=\"text\" style=\"flex:1 1 0;min-width:0;overflow:hidden;white-space:pre;"
                     "text-overflow:ellipsis;color:" + color(f->textColor, UIColor::label()) + ";\">" +
                     escapeHtml(f->text) + "</span>";
        }
        if (f->showsRightView()) view(*f->rightView(), Parent::row, inner);
        out += "<div" + attrs(v, "field") + (f->enabled ? "" : " aria-disabled=\"true\"") + " style=\"" + s + "\">" +
               inner + "</div>";
        return;
    }
    if (const auto* t = dynamic_cast<const UITextView*>(&v)) {
        std::string s = base + fontCss(t->font) + "color:" + color(t->textColor, UIColor::label()) +
                        ";white-space:pre-wrap;overflow-wrap:anywhere;box-sizing:border-box;padding:" +
                        box(t->textContainerInset) + ";";
        if (t->isFirstResponder()) s += "box-shadow:0 0 0 2px " + color(UIColor::systemBlue()) + ";";
        out += "<div" + attrs(v, "textview") + " style=\"" + s + "\">" + escapeHtml(t->text) + "</div>";
        return;
    }
    if (const auto* seg = dynamic_cast<const UISegmentedControl*>(&v)) {
        std::string s = base + "display:flex;padding:2px;gap:2px;border-radius:9px;min-height:32px;box-sizing:border-box;"
                               "background:" + color(UIColor::secondarySystemFill()) + ";";
        if (!seg->enabled) s += "opacity:0.45;";
        std::string inner;
        for (std::size_t i = 0; i < seg->numberOfSegments(); ++i) {
            const bool chosen = static_cast<int>(i) == seg->selectedSegmentIndex;
            std::string ss = "flex:1 1 0;display:flex;align-items:center;justify-content:center;border-radius:7px;"
                             "font-size:13px;font-weight:" + std::string(chosen ? "600" : "500") + ";";
            if (chosen) {
                ss += "background:" + color(seg->selectedSegmentTintColor,
                                            style_ == UIUserInterfaceStyle::dark ? UIColor::rgba(0.39, 0.39, 0.4)
                                                                                 : UIColor::white()) + ";";
                if (seg->selectedSegmentTintColor) ss += "color:" + color(UIColor::white()) + ";";
            }
            if (!seg->isEnabled(i)) ss += "opacity:0.45;";
            inner += "<span class=\"segment\"" + std::string(chosen ? " data-selected=\"true\"" : "") + " style=\"" + ss +
                     "\">" + escapeHtml(seg->titleForSegment(i)) + "</span>";
        }
        out += "<div" + attrs(v, "segmented") + " style=\"" + s + "\">" + inner + "</div>";
        return;
    }
    if (const auto* sw = dynamic_cast<const UISwitch*>(&v)) {
        const std::string track = sw->on ? color(sw->onTintColor, UIColor::systemGreen()) : color(UIColor::secondarySystemFill());
        std::string s = base + "flex:0 0 auto;width:51px;height:31px;border-radius:16px;position:relative;background:" +
                        track + ";";
        if (!sw->enabled) s += "opacity:0.45;";
        out += "<div" + attrs(v, "switch") + " data-on=\"" + (sw->on ? "true" : "false") + "\" style=\"" + s +
               "\"><span style=\"position:absolute;top:2px;left:" + (sw->on ? "22px" : "2px") +
               ";width:27px;height:27px;border-radius:50%;background:#fff;box-shadow:0 1px 3px rgba(0,0,0,0.3);\"></span></div>";
        return;
    }
    if (const auto* img = dynamic_cast<const UIImageView*>(&v)) {
        if (!img->image) return;
        std::string s = base + "display:inline-flex;align-items:center;justify-content:center;flex:0 0 auto;color:" +
                        color(v.tintColor, UIColor::systemBlue()) + ";";
        if (!v.fixedWidth) s += "width:20px;";
        if (!v.fixedHeight) s += "height:20px;";
        out += "<span" + attrs(v, "image") + " data-symbol=\"" + escapeHtml(*img->image) + "\" style=\"" + s + "\">" +
               glyph(*img->image) + "</span>";
        return;
    }
    if (const auto* p = dynamic_cast<const UIProgressView*>(&v)) {
        out += "<div" + attrs(v, "progress") + " style=\"" + base + "height:4px;border-radius:2px;background:" +
               color(UIColor::secondarySystemFill()) + ";\"><div style=\"height:100%;width:" +
               formatNumber(p->progress() * 100) + "%;border-radius:2px;background:" +
               color(p->progressTintColor, UIColor::systemBlue()) + ";\"></div></div>";
        return;
    }
    if (dynamic_cast<const UIActivityIndicatorView*>(&v)) {
        out += "<span" + attrs(v, "spinner") + " style=\"" + base + "flex:0 0 auto;width:20px;height:20px;display:inline-flex;"
               "align-items:center;justify-content:center;color:" + color(UIColor::secondaryLabel()) + ";\">✻</span>";
        return;
    }
    if (const auto* item = dynamic_cast<const UIBarButtonItem*>(&v)) {
        std::string text = item->image ? glyph(*item->image)
                           : item->systemItem == UIBarButtonItem::SystemItem::add ? "+"
                                                                                  : escapeHtml(item->displayedTitle());
        std::string s = base + "flex:0 0 auto;padding:0 8px;font-size:17px;cursor:pointer;color:" +
                        color(v.tintColor, UIColor::systemBlue()) + ";";
        if (item->style == UIBarButtonItem::Style::done) s += "font-weight:600;";
        if (!item->enabled) s += "opacity:0.35;";
        out += "<span role=\"button\"" + attrs(v, "baritem") + (item->enabled ? "" : " aria-disabled=\"true\"") +
               (item->image ? " data-symbol=\"" + escapeHtml(*item->image) + "\"" : std::string()) + " style=\"" + s + "\">" +
               text + "</span>";
        return;
    }
    if (const auto* bar = dynamic_cast<const UINavigationBar*>(&v)) {
        const UINavigationItem* i = bar->item();
        std::string title = i ? i->title : "";
        if (title.empty()) {
            if (auto c = bar->controller()) title = c->title;
        }
        std::string inner;
        if (i && !i->prompt.empty()) {
            inner += "<div class=\"prompt\" style=\"text-align:center;font-size:13px;color:" +
                     color(UIColor::secondaryLabel()) + ";padding:6px 0 0;\">" + escapeHtml(i->prompt) + "</div>";
        }
        inner += "<div style=\"display:flex;align-items:center;min-height:44px;padding:0 8px;\">";
        std::string left;
        std::string right;
        for (const auto& s : v.subviews()) {
            if (i && i->searchController() && s == i->searchController()->searchBar()) continue;
            const bool leading = i && std::find(i->leftBarButtonItems().begin(), i->leftBarButtonItems().end(), s) !=
                                          i->leftBarButtonItems().end();
            view(*s, Parent::layers, leading ? left : right);
        }
        inner += "<div style=\"flex:1 0 auto;display:flex;\">" + left + "</div>";
        inner += "<div class=\"title\" style=\"flex:0 1 auto;min-width:0;padding:0 6px;font-size:17px;font-weight:600;"
                 "white-space:nowrap;overflow:hidden;text-overflow:ellipsis;\">" + escapeHtml(title) + "</div>";
        inner += "<div style=\"flex:1 0 auto;display:flex;justify-content:flex-end;\">" + right + "</div></div>";
        if (i && i->searchController()) {
            inner += "<div style=\"display:flex;flex-direction:column;padding:4px 16px 8px;\">";
            view(*i->searchController()->searchBar(), Parent::stackColumn, inner);
            inner += "</div>";
        }
        out += "<div" + attrs(v, "navbar") + " style=\"" + base + "display:flex;flex-direction:column;flex:0 0 auto;\">" +
               inner + "</div>";
        return;
    }
    if (const auto* table = dynamic_cast<const UITableView*>(&v)) {
        const bool inset = table->style != UITableView::Style::plain;
        std::string inner;
        if (table->refreshControl() && table->refreshControl()->isRefreshing()) {
            inner += "<div class=\"refreshing\" style=\"text-align:center;padding:8px;color:" +
                     color(UIColor::secondaryLabel()) + ";\">✻</div>";
        }
        inner += "<div class=\"section\" style=\"display:flex;flex-direction:column;" +
                 std::string(inset ? "margin:16px;border-radius:10px;overflow:hidden;" : "") +
                 "background:" + color(UIColor::secondarySystemGroupedBackground()) + ";\">";
        for (const auto& cell : table->visibleCells()) view(*cell, Parent::stackColumn, inner);
        inner += "</div>";
        out += "<div" + attrs(v, "table") + " style=\"" + base + "overflow-y:auto;display:flex;flex-direction:column;background:" +
               color(v.backgroundColor, UIColor::systemGroupedBackground()) + ";\">" + inner + "</div>";
        return;
    }
    if (const auto* cell = dynamic_cast<const UITableViewCell*>(&v)) {
        std::string inner;
        if (cell->contentConfiguration) {
            const auto& c = *cell->contentConfiguration;
            if (c.image) {
                inner += "<span class=\"symbol\" data-symbol=\"" + escapeHtml(*c.image) + "\" style=\"width:24px;color:" +
                         color(UIColor::systemBlue()) + ";\">" + glyph(*c.image) + "</span>";
            }
            inner += "<div style=\"flex:1 1 0;min-width:0;display:flex;flex-direction:column;\"><span class=\"text\" "
                     "style=\"font-size:17px;\">" + escapeHtml(c.text) + "</span>";
            if (c.secondaryText) {
                inner += "<span class=\"secondary\" style=\"font-size:13px;color:" + color(UIColor::secondaryLabel()) +
                         ";\">" + escapeHtml(*c.secondaryText) + "</span>";
            }
            inner += "</div>";
        }
        if (cell->accessoryType == UITableViewCell::AccessoryType::disclosureIndicator) {
            inner += "<span style=\"color:" + color(UIColor::tertiaryLabel()) + ";font-size:20px;\">›</span>";
        }
        std::string s = base + "display:flex;align-items:center;gap:12px;padding:10px 16px;min-height:24px;border-bottom:0.5px solid " +
                        color(UIColor::separator()) + ";";
        if (cell->selected) s += "background:" + color(UIColor::secondarySystemFill()) + ";";
        out += "<div role=\"button\"" + attrs(v, "cell") + " style=\"" + s + "\">" + inner + "</div>";
        return;
    }
    if (const auto* action = dynamic_cast<const UIAlertAction*>(&v)) {
        std::string s = base + "flex:1 1 0;text-align:center;padding:11px 8px;font-size:17px;cursor:pointer;border-top:0.5px solid " +
                        color(UIColor::separator()) + ";color:" +
                        color(action->style == UIAlertAction::Style::destructive ? UIColor::systemRed() : UIColor::systemBlue()) + ";";
        if (action->style == UIAlertAction::Style::cancel) s += "font-weight:600;";
        if (!action->enabled) s += "opacity:0.35;";
        out += "<div role=\"button\"" + attrs(v, "alert-action") + (action->enabled ? "" : " aria-disabled=\"true\"") +
               " style=\"" + s + "\">" + escapeHtml(action->title) + "</div>";
        return;
    }
    if (const auto* stack = dynamic_cast<const UIStackView*>(&v)) {
        const bool vertical = stack->axis == UIStackView::Axis::vertical;
        std::string s = base + "display:flex;flex-direction:" + (vertical ? "column" : "row") + ";gap:" + px(stack->spacing) + ";";
        switch (stack->alignment) {
            case UIStackView::Alignment::fill: s += "align-items:stretch;"; break;
            case UIStackView::Alignment::leading: s += "align-items:flex-start;"; break;
            case UIStackView::Alignment::center: s += "align-items:center;"; break;
            case UIStackView::Alignment::trailing: s += "align-items:flex-end;"; break;
        }
        if (stack->isLayoutMarginsRelativeArrangement) s += "padding:" + box(stack->layoutMargins) + ";";
        std::string inner;
        const Parent childParent = vertical ? Parent::stackColumn : Parent::stackRow;
        if (stack->distribution == UIStackView::Distribution::fillEqually) {
            for (const auto& c : stack->arrangedSubviews()) {
                if (!rendered(*c)) continue;
                inner += "<div class=\"equal\" style=\"flex:1 1 0;min-width:0;display:flex;flex-direction:column;\">";
                view(*c, Parent::stackColumn, inner);
                inner += "</div>";
            }
        } else {
            children(v, childParent, inner);
        }
        out += "<div" + attrs(v, vertical ? "vstack" : "hstack") + " style=\"" + s + "\">" + inner + "</div>";
        return;
    }
    if (const auto* scroll = dynamic_cast<const UIScrollView*>(&v)) {
        std::string s = base + "display:flex;flex-direction:column;overflow-y:auto;";
        if (scroll->contentInset.bottom > 0) s += "padding-bottom:" + px(scroll->contentInset.bottom) + ";";
        std::string inner;
        children(v, Parent::column, inner);
        out += "<div" + attrs(v, "scroll") + " style=\"" + s + "\">" + inner + "</div>";
        return;
    }
    // A plain view or control: its subviews top to bottom at their edges.
    std::string s = base + "display:flex;flex-direction:column;";
    if (const auto* c = dynamic_cast<const UIControl*>(&v); c && !c->enabled) s += "opacity:0.45;";
    std::string inner;
    children(v, Parent::column, inner);
    const bool control = dynamic_cast<const UIControl*>(&v) != nullptr;
    out += "<div" + std::string(control ? " role=\"button\"" : "") + attrs(v, control ? "control" : "view") + " style=\"" +
           s + "\">" + inner + "</div>";
}

void HtmlWriter::menu(const UIMenu& m, std::string& out) const {
    for (const auto& e : m.children) {
        if (const auto* a = std::get_if<std::shared_ptr<UIAction>>(&e)) {
            if (!*a) continue;
            const auto& action = **a;
            std::string s = "display:flex;gap:8px;padding:10px 14px;font-size:17px;border-top:0.5px solid " +
                            color(UIColor::separator()) + ";";
            if (action.destructive) s += "color:" + color(UIColor::systemRed()) + ";";
            if (action.disabled) s += "opacity:0.35;";
            out += "<div class=\"menu-action\" role=\"menuitem\"" +
                   std::string(action.state == UIAction::State::on ? " aria-checked=\"true\"" : "") +
                   (action.disabled ? " aria-disabled=\"true\"" : "") + " style=\"" + s + "\"><span style=\"width:16px;\">" +
                   (action.state == UIAction::State::on ? "✓" : "") +
                   "</span><span style=\"flex:1 1 0;\">" + escapeHtml(action.title) + "</span>" +
                   (action.image ? "<span>" + glyph(*action.image) + "</span>" : "") + "</div>";
        } else if (const auto& sub = std::get<std::shared_ptr<UIMenu>>(e)) {
            if (sub->displayInline) {
                out += "<div class=\"menu-section\" style=\"border-top:6px solid " + color(UIColor::separator()) + ";\">";
                if (!sub->title.empty()) {
                    out += "<div style=\"font-size:13px;padding:6px 14px;color:" + color(UIColor::secondaryLabel()) + ";\">" +
                           escapeHtml(sub->title) + "</div>";
                }
                menu(*sub, out);
                out += "</div>";
            } else {
                out += "<div class=\"menu-submenu\" style=\"display:flex;padding:10px 14px;font-size:17px;border-top:0.5px solid " +
                       color(UIColor::separator()) + ";\"><span style=\"flex:1 1 0;\">" + escapeHtml(sub->title) +
                       "</span><span>›</span></div>";
            }
        }
    }
}

void HtmlWriter::presented(const UIViewController& c, const UIWindow& w, std::string& out) const {
    out += "<div class=\"dim\" style=\"position:absolute;inset:0;background:rgba(0,0,0,0.4);\"></div>";
    const auto& v = c.viewIfLoaded();
    if (!v) return;
    if (const auto* alert = dynamic_cast<const UIAlertController*>(&c)) {
        const bool light = style_ == UIUserInterfaceStyle::light;
        std::string inner = "<div style=\"padding:18px 16px 12px;text-align:center;display:flex;flex-direction:column;gap:6px;\">";
        if (!alert->title.empty()) {
            inner += "<div class=\"alert-title\" style=\"font-size:17px;font-weight:600;\">" + escapeHtml(alert->title) + "</div>";
        }
        if (!alert->message.empty()) {
            inner += "<div class=\"alert-message\" style=\"font-size:13px;white-space:pre-wrap;\">" +
                     escapeHtml(alert->message) + "</div>";
        }
        for (const auto& f : alert->textFields()) view(*f, Parent::stackColumn, inner);
        inner += "</div>";
        const bool sideBySide = alert->actions().size() == 2;
        inner += "<div style=\"display:flex;flex-direction:" + std::string(sideBySide ? "row" : "column") + ";\">";
        for (const auto& a : alert->actions()) view(*a, Parent::layers, inner);
        inner += "</div>";
        out += "<div class=\"alert\" data-kind=\"Alert\" style=\"position:absolute;left:50%;top:50%;transform:translate(-50%,-50%);"
               "width:270px;border-radius:14px;overflow:hidden;background:" +
               std::string(light ? "rgba(242,242,242,0.97)" : "rgba(37,37,37,0.97)") + ";color:" + color(UIColor::label()) +
               ";\">" + inner + "</div>";
        return;
    }
    const CGRect frame = v->nominalFrame();
    std::string s = "position:absolute;left:" + px(frame.minX()) + ";top:" + px(frame.minY()) + ";width:" +
                    px(frame.size.width) + ";height:" + px(frame.size.height) + ";display:flex;flex-direction:column;"
                    "overflow:hidden;border-radius:10px 10px 0 0;background:" +
                    color(v->backgroundColor, UIColor::systemGroupedBackground()) + ";";
    std::string inner;
    if (const auto* nav = dynamic_cast<const UINavigationController*>(&c)) {
        view(*nav->navigationBar(), Parent::column, inner);
        if (auto top = nav->topViewController(); top && top->viewIfLoaded()) view(*top->viewIfLoaded(), Parent::column, inner);
    } else {
        children(*v, Parent::column, inner);
    }
    out += "<div class=\"sheet\" data-kind=\"" + escapeHtml(std::string(c.kindName())) + "\" style=\"" + s + "\">" + inner + "</div>";
    (void)w;
}

constexpr const char* kStyle = R"CSS(
body { margin: 0; padding: 24px; background: #d1d1d6;
       font-family: -apple-system, system-ui, "Helvetica Neue", Helvetica, Arial, sans-serif; }
h1 { font-size: 18px; margin: 0 0 16px; }
h2 { font-size: 13px; margin: 0 0 10px; font-weight: 600; }
.schemes { display: flex; flex-wrap: wrap; gap: 32px; align-items: flex-start; }
.phone { position: relative; overflow: hidden; border-radius: 44px; box-shadow: 0 0 0 10px #1c1c1e;
         line-height: 1.25; }
.phone * { box-sizing: border-box; }
.v { min-width: 0; }
)CSS";

}  // namespace

std::string htmlPage(const UIWindow& window, std::string_view title) {
    const CGRect b = window.bounds();
    const UIEdgeInsets safe = window.safeAreaInsets();
    auto phone = [&](UIUserInterfaceStyle style, const char* name) {
        const HtmlWriter w(style);
        std::string s = "<section class=\"scheme " + std::string(name) + "\"><h2>" + name + "</h2>";
        s += "<div class=\"phone\" data-scheme=\"" + std::string(name) + "\" style=\"width:" + px(b.size.width) +
             ";height:" + px(b.size.height) + ";color:" + w.color(UIColor::label()) + ";background:" +
             w.color(UIColor::systemBackground()) + ";color-scheme:" + name + ";\">";
        if (const auto& root = window.rootViewController(); root && root->viewIfLoaded()) {
            const auto& v = *root->viewIfLoaded();
            std::string inner;
            for (const auto& c : v.subviews()) w.view(*c, Parent::column, inner);
            s += "<div class=\"root\"" + std::string(v.role.empty() ? "" : " data-role=\"" + escapeHtml(v.role) + "\"") +
                 " style=\"position:absolute;inset:0;display:flex;flex-direction:column;padding:" + box(safe) +
                 ";background:" + w.color(v.backgroundColor, UIColor::systemBackground()) + ";\">" + inner + "</div>";
        }
        for (const auto& c : window.presentedViewControllers()) w.presented(*c, window, s);
        if (const auto& k = window.keyboardFrame(); k && k->size.height > 0) {
            s += "<div class=\"keyboard\" style=\"position:absolute;left:" + px(k->minX()) + ";top:" + px(k->minY()) +
                 ";width:" + px(k->size.width) + ";height:" + px(k->size.height) + ";background:" +
                 (style == UIUserInterfaceStyle::light ? "#d1d3d9" : "#2b2b2d") + ";\">";
            if (auto responder = window.firstResponder()) {
                std::shared_ptr<UIView> accessory;
                if (const auto* f = dynamic_cast<const UITextField*>(responder.get())) accessory = f->inputAccessoryView;
                if (const auto* t = dynamic_cast<const UITextView*>(responder.get())) accessory = t->inputAccessoryView;
                if (accessory) {
                    std::string row;
                    for (const auto& c : accessory->subviews()) w.view(*c, Parent::layers, row);
                    s += "<div class=\"accessory\" style=\"position:absolute;left:0;right:0;bottom:100%;height:44px;"
                         "display:flex;align-items:center;padding:0 8px;background:" +
                         w.color(UIColor::secondarySystemGroupedBackground()) + ";\">" + row + "</div>";
                }
            }
            s += "</div>";
        }
        if (const auto& m = window.openedMenu(); m && m->menu) {
            std::string items;
            w.menu(*m->menu, items);
            s += "<div class=\"menu\" role=\"menu\" style=\"position:absolute;left:40px;right:40px;bottom:120px;"
                 "max-height:60%;overflow-y:auto;border-radius:13px;box-shadow:0 8px 40px rgba(0,0,0,0.35);background:" +
                 w.color(UIColor::secondarySystemGroupedBackground()) + ";\">";
            if (!m->menu->title.empty()) {
                s += "<div class=\"menu-title\" style=\"font-size:13px;padding:8px 14px;color:" +
                     w.color(UIColor::secondaryLabel()) + ";\">" + escapeHtml(m->menu->title) + "</div>";
            }
            s += items + "</div>";
        }
        s += "</div></section>";
        return s;
    };

    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    out += escapeHtml(title);
    out += "</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<h1>";
    out += escapeHtml(title);
    out += "</h1>\n<div class=\"schemes\">\n";
    out += phone(UIUserInterfaceStyle::light, "light");
    out += "\n";
    out += phone(UIUserInterfaceStyle::dark, "dark");
    out += "\n</div>\n</body>\n</html>\n";
    return out;
}

}  // namespace platform
