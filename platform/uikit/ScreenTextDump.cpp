// The text dump of ScreenRenderer.h.
#include <algorithm>
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

using render::formatNumber;
using render::quoted;

bool isPlainBackground(const UIColor& c) {
    const auto sys = c.systemColor();
    if (!sys) return false;
    switch (*sys) {
        case UISystemColor::systemBackground:
        case UISystemColor::systemGroupedBackground:
        case UISystemColor::secondarySystemGroupedBackground:
        case UISystemColor::tertiarySystemGroupedBackground:
        case UISystemColor::clear: return true;
        default: return false;
    }
}

bool isPlainText(const UIColor& c) {
    const auto sys = c.systemColor();
    return sys && (*sys == UISystemColor::label || *sys == UISystemColor::secondaryLabel ||
                   *sys == UISystemColor::tertiaryLabel);
}

bool isPlainBorder(const UIColor& c) {
    const auto sys = c.systemColor();
    return sys && *sys == UISystemColor::separator;
}

void colour(std::string& line, const char* name, const std::optional<UIColor>& c, bool (*plain)(const UIColor&)) {
    if (c && !plain(*c)) line += std::string(" ") + name + "=" + c->token();
}

std::string insetsText(const UIEdgeInsets& e) {
    return "(" + formatNumber(e.top) + "," + formatNumber(e.left) + "," + formatNumber(e.bottom) + "," +
           formatNumber(e.right) + ")";
}

std::string stateText(UIAction::State s) {
    switch (s) {
        case UIAction::State::on: return " on";
        case UIAction::State::off: return "";
    }
    return "";
}

bool shown(const UIView& v) {
    if (v.hidden || v.alpha <= 0.01) return false;
    if (const auto* b = dynamic_cast<const UIBarButtonItem*>(&v)) return !b->isSpace();
    return true;
}

void describe(const UIView& v, std::string& line) {
    line += v.kindName();
    if (!v.role.empty()) line += " #" + v.role;
    if (!v.accessibilityIdentifier.empty()) line += " id=" + quoted(v.accessibilityIdentifier);

    if (const auto* l = dynamic_cast<const UILabel*>(&v)) {
        line += " " + quoted(l->text);
        if (!l->textDrawingInsets().isZero()) line += " padded";
        colour(line, "color", l->textColor, isPlainText);
    } else if (const auto* b = dynamic_cast<const UIButton*>(&v)) {
        line += " " + quoted(b->displayedTitle());
        if (b->configuration && b->configuration->subtitle) line += " subtitle=" + quoted(*b->configuration->subtitle);
        if (auto img = b->displayedImage()) line += " image=" + *img;
        if (b->menu) line += " menu=" + quoted(b->menu->title) + (b->showsMenuAsPrimaryAction ? " opens-on-tap" : "");
        if (b->configuration) {
            colour(line, "bg", b->configuration->baseBackgroundColor, isPlainBackground);
            colour(line, "fg", b->configuration->baseForegroundColor, isPlainText);
            colour(line, "imageColor", b->configuration->imageColor, isPlainText);
        }
        colour(line, "titleColor", b->titleColor(b->currentState()), isPlainText);
    } else if (const auto* f = dynamic_cast<const UITextField*>(&v)) {
        line += " " + quoted(f->text);
        if (!f->placeholder.empty()) line += " placeholder=" + quoted(f->placeholder);
        if (f->isEditing()) line += " editing";
        colour(line, "color", f->textColor, isPlainText);
    } else if (const auto* t = dynamic_cast<const UITextView*>(&v)) {
        line += " " + quoted(t->text);
        if (t->isFirstResponder()) {
            line += " editing";
            const NSRange r = clampedRange(t->text, t->selectedRange);
            line += " selection=" + std::to_string(r.location) + "+" + std::to_string(r.length);
        }
    } else if (const auto* s = dynamic_cast<const UISegmentedControl*>(&v)) {
        for (std::size_t i = 0; i < s->numberOfSegments(); ++i) {
            line += " ";
            if (static_cast<int>(i) == s->selectedSegmentIndex) line += "*";
            line += quoted(s->titleForSegment(i));
            if (!s->isEnabled(i)) line += "(disabled)";
        }
    } else if (const auto* sw = dynamic_cast<const UISwitch*>(&v)) {
        line += sw->on ? " on" : " off";
    } else if (const auto* img = dynamic_cast<const UIImageView*>(&v)) {
        if (img->image) line += " symbol=" + *img->image;
    } else if (const auto* p = dynamic_cast<const UIProgressView*>(&v)) {
        line += " " + formatNumber(p->progress());
    } else if (const auto* a = dynamic_cast<const UIActivityIndicatorView*>(&v)) {
        line += a->isAnimating() ? " animating" : " stopped";
    } else if (const auto* item = dynamic_cast<const UIBarButtonItem*>(&v)) {
        line += " " + quoted(item->displayedTitle());
        if (item->image) line += " image=" + *item->image;
        if (item->style == UIBarButtonItem::Style::done) line += " done";
        if (item->menu) line += " menu=" + quoted(item->menu->title);
    } else if (const auto* bar = dynamic_cast<const UINavigationBar*>(&v)) {
        if (const UINavigationItem* i = bar->item()) {
            if (!i->prompt.empty()) line += " prompt=" + quoted(i->prompt);
            std::string title = i->title;
            if (title.empty()) {
                if (auto c = bar->controller()) title = c->title;
            }
            line += " title=" + quoted(title);
        }
    } else if (const auto* cell = dynamic_cast<const UITableViewCell*>(&v)) {
        if (cell->contentConfiguration) {
            const auto& c = *cell->contentConfiguration;
            line += " " + quoted(c.text);
            if (c.secondaryText) line += " secondary=" + quoted(*c.secondaryText);
            if (c.image) line += " image=" + *c.image;
        }
        if (cell->accessoryType == UITableViewCell::AccessoryType::disclosureIndicator) line += " disclosure";
        if (cell->accessoryType == UITableViewCell::AccessoryType::checkmark) line += " checkmark";
        if (cell->selected) line += " selected";
    } else if (const auto* action = dynamic_cast<const UIAlertAction*>(&v)) {
        line += " " + quoted(action->title);
        if (action->style == UIAlertAction::Style::cancel) line += " cancel";
        if (action->style == UIAlertAction::Style::destructive) line += " destructive";
    }

    if (const auto* scroll = dynamic_cast<const UIScrollView*>(&v)) {
        if (const auto* table = dynamic_cast<const UITableView*>(&v)) {
            if (table->style == UITableView::Style::insetGrouped) line += " insetGrouped";
            if (table->style == UITableView::Style::grouped) line += " grouped";
        }
        if (!scroll->contentInset.isZero()) line += " contentInset=" + insetsText(scroll->contentInset);
        if (!scroll->verticalScrollIndicatorInsets.isZero()) {
            line += " indicatorInsets=" + insetsText(scroll->verticalScrollIndicatorInsets);
        }
        if (scroll->refreshControl() && scroll->refreshControl()->isRefreshing()) line += " refreshing";
    }
    if (const auto* c = dynamic_cast<const UIControl*>(&v)) {
        if (!c->enabled) line += " disabled";
        if (c->selected && !dynamic_cast<const UISwitch*>(c)) line += " selected";
    }
    if (!v.accessibilityLabel.empty()) line += " ax=" + quoted(v.accessibilityLabel);
    colour(line, "bg", v.backgroundColor, isPlainBackground);
    if (v.borderWidth > 0) {
        std::optional<UIColor> border = v.borderColor ? v.borderColor : std::optional<UIColor>(UIColor::black());
        colour(line, "border", border, isPlainBorder);
    }
    colour(line, "tint", v.tintColor, isPlainText);
}

// The order a person reads: stacks by their arrangement, then any other subviews.
std::vector<std::shared_ptr<UIView>> orderedChildren(const UIView& v) {
    if (const auto* stack = dynamic_cast<const UIStackView*>(&v)) {
        std::vector<std::shared_ptr<UIView>> out = stack->arrangedSubviews();
        for (const auto& s : v.subviews()) {
            if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
        }
        return out;
    }
    if (const auto* field = dynamic_cast<const UITextField*>(&v)) {
        std::vector<std::shared_ptr<UIView>> out;
        for (const auto& s : v.subviews()) {
            if (s != field->rightView() || field->showsRightView()) out.push_back(s);
        }
        return out;
    }
    return v.subviews();
}

void dumpView(const UIView& v, int depth, std::string& out) {
    if (!shown(v)) return;
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    describe(v, line);
    out += line;
    out += '\n';
    for (const auto& c : orderedChildren(v)) dumpView(*c, depth + 1, out);
}

void dumpMenu(const UIMenu& m, int depth, std::string& out) {
    for (const auto& e : m.children) {
        const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
        if (const auto* a = std::get_if<std::shared_ptr<UIAction>>(&e)) {
            if (!*a) continue;
            std::string line = pad + "Action " + quoted((*a)->title);
            if ((*a)->image) line += " image=" + *(*a)->image;
            line += stateText((*a)->state);
            if ((*a)->disabled) line += " disabled";
            if ((*a)->destructive) line += " destructive";
            out += line + "\n";
        } else if (const auto& sub = std::get<std::shared_ptr<UIMenu>>(e)) {
            out += pad + (sub->displayInline ? "Section " : "Submenu ") + quoted(sub->title) + "\n";
            dumpMenu(*sub, depth + 1, out);
        }
    }
}

std::string controllerLine(const UIViewController& c) {
    std::string line(c.kindName());
    if (!c.title.empty()) line += " " + quoted(c.title);
    if (const auto* alert = dynamic_cast<const UIAlertController*>(&c)) {
        if (!alert->message.empty()) line += " message=" + quoted(alert->message);
        if (alert->preferredStyle == UIAlertController::Style::actionSheet) line += " actionSheet";
    }
    if (c.modalPresentationStyle == UIViewController::ModalPresentationStyle::formSheet) line += " formSheet";
    return line;
}

std::string sourceName(const UIView& v) {
    std::string s(v.kindName());
    if (!v.role.empty()) s += " #" + v.role;
    return s;
}

}  // namespace

std::string textDump(const UIView& view) {
    std::string out;
    dumpView(view, 0, out);
    return out;
}

std::string textDump(const UIWindow& window) {
    std::string out = "Window " + formatNumber(window.bounds().size.width) + "x" +
                      formatNumber(window.bounds().size.height);
    if (const auto& k = window.keyboardFrame(); k && k->size.height > 0) out += " keyboard.top=" + formatNumber(k->minY());
    out += "\n";
    auto dumpController = [&](const UIViewController& c, const char* prefix) {
        out += std::string("  ") + prefix + controllerLine(c) + "\n";
        if (const auto& v = c.viewIfLoaded()) dumpView(*v, 2, out);
    };
    if (const auto& root = window.rootViewController()) dumpController(*root, "");
    for (const auto& c : window.presentedViewControllers()) dumpController(*c, "presented ");
    if (const auto& m = window.openedMenu(); m && m->menu) {
        std::string line = "  menu " + quoted(m->menu->title);
        if (auto source = m->source.lock()) line += " from " + sourceName(*source);
        out += line + "\n";
        dumpMenu(*m->menu, 2, out);
    }
    if (auto responder = window.firstResponder()) {
        std::shared_ptr<UIView> accessory;
        if (const auto* f = dynamic_cast<const UITextField*>(responder.get())) accessory = f->inputAccessoryView;
        if (const auto* t = dynamic_cast<const UITextView*>(responder.get())) accessory = t->inputAccessoryView;
        if (accessory) {
            out += "  keyboard accessory of " + sourceName(*responder) + "\n";
            dumpView(*accessory, 2, out);
        }
    }
    return out;
}

}  // namespace platform
