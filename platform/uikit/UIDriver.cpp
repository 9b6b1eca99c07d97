#include "platform/uikit/UIDriver.h"

#include <cmath>

#include "platform/concurrency/MainQueue.h"
#include "platform/foundation/Text.h"
#include "platform/render/RenderText.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UISearchController.h"
#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITextView.h"
#include "platform/uikit/UIWindow.h"

namespace platform {
namespace {

using render::quoted;

std::string describe(const UIView& v) {
    std::string s(v.kindName());
    if (!v.role.empty()) s += " #" + v.role;
    return s;
}

// What a person reads on the view, for matching by text.
std::optional<std::string> visibleText(const UIView& v) {
    if (const auto* l = dynamic_cast<const UILabel*>(&v)) return l->text;
    if (const auto* b = dynamic_cast<const UIButton*>(&v)) return b->displayedTitle();
    if (const auto* f = dynamic_cast<const UITextField*>(&v)) return f->text.empty() ? f->placeholder : f->text;
    if (const auto* t = dynamic_cast<const UITextView*>(&v)) return t->text;
    if (const auto* i = dynamic_cast<const UIBarButtonItem*>(&v)) return i->displayedTitle();
    if (const auto* a = dynamic_cast<const UIAlertAction*>(&v)) return a->title;
    if (const auto* c = dynamic_cast<const UITableViewCell*>(&v)) {
        if (c->contentConfiguration) return c->contentConfiguration->text;
    }
    return std::nullopt;
}

// Hidden itself or through an ancestor, transparent, or a field's right view not shown now.
bool effectivelyHidden(const UIView& v) {
    if (!v.isVisibleInHierarchy()) return true;
    for (const UIView* cur = &v; cur; cur = cur->superview().get()) {
        auto parent = cur->superview();
        if (const auto* f = dynamic_cast<const UITextField*>(parent.get())) {
            if (f->rightView().get() == cur && !f->showsRightView()) return true;
        }
        if (!parent) break;
    }
    return false;
}

void collect(const std::shared_ptr<UIView>& v, std::vector<std::shared_ptr<UIView>>& out) {
    out.push_back(v);
    for (const auto& s : v->subviews()) collect(s, out);
}

struct Layer {
    std::shared_ptr<UIView> root;
    std::string name;  // for the error when a target lies beneath
    bool blocking;     // views beneath this layer cannot be touched
};

std::shared_ptr<UIView> accessoryOf(const std::shared_ptr<UIView>& responder) {
    if (const auto* f = dynamic_cast<const UITextField*>(responder.get())) return f->inputAccessoryView;
    if (const auto* t = dynamic_cast<const UITextView*>(responder.get())) return t->inputAccessoryView;
    return nullptr;
}

std::vector<Layer> layersOf(const UIWindow& window) {
    std::vector<Layer> layers;
    if (auto accessory = accessoryOf(window.firstResponder())) layers.push_back({accessory, "keyboard accessory", false});
    auto presented = window.presentedViewControllers();
    for (auto it = presented.rbegin(); it != presented.rend(); ++it) {
        std::string name = std::string((*it)->kindName());
        if (!(*it)->title.empty()) name += " " + quoted((*it)->title);
        if (auto nav = std::dynamic_pointer_cast<UINavigationController>(*it); nav && nav->topViewController()) {
            name += " (" + std::string(nav->topViewController()->kindName()) + ")";
        }
        if (const auto& v = (*it)->viewIfLoaded()) layers.push_back({v, name, true});
    }
    if (const auto& root = window.rootViewController()) {
        if (const auto& v = root->viewIfLoaded()) layers.push_back({v, "screen", true});
    }
    return layers;
}

std::shared_ptr<UISearchController> searchControllerOf(const std::shared_ptr<UIViewController>& c) {
    if (!c) return nullptr;
    if (auto nav = std::dynamic_pointer_cast<UINavigationController>(c)) return searchControllerOf(nav->topViewController());
    return c->navigationItem().searchController();
}

std::shared_ptr<UIRefreshControl> refreshControlIn(const std::shared_ptr<UIView>& v) {
    if (const auto* s = dynamic_cast<const UIScrollView*>(v.get()); s && s->refreshControl()) return s->refreshControl();
    for (const auto& sub : v->subviews()) {
        if (auto r = refreshControlIn(sub)) return r;
    }
    return nullptr;
}

std::vector<std::string> graphemes(std::string_view s) {
    std::vector<std::string> out;
    while (!s.empty()) {
        std::string g = text::prefixGraphemes(s, 1);
        if (g.empty()) g = std::string(s.substr(0, 1));
        s.remove_prefix(std::min(g.size(), s.size()));
        out.push_back(std::move(g));
    }
    return out;
}

}  // namespace

std::string UIDriver::dump() const { return textDump(window_); }

void UIDriver::fail(const std::string& problem) const { throw UIDriverError(problem, dump()); }

std::shared_ptr<UIView> UIDriver::find(std::string_view target) const {
    if (target.empty()) fail("no target given");
    const std::string t(target);
    const auto layers = layersOf(window_);
    bool beneath = false;
    std::string coveringName;
    for (const auto& layer : layers) {
        std::vector<std::shared_ptr<UIView>> all;
        collect(layer.root, all);
        std::vector<std::shared_ptr<UIView>> matches;
        const char* how = "";
        for (const auto& v : all) {
            if (v->role == t) matches.push_back(v);
        }
        how = "role";
        if (matches.empty()) {
            for (const auto& v : all) {
                if (v->accessibilityIdentifier == t) matches.push_back(v);
            }
            how = "accessibility identifier";
        }
        if (matches.empty()) {
            for (const auto& v : all) {
                if (auto text = visibleText(*v); text && *text == t && !effectivelyHidden(*v)) matches.push_back(v);
            }
            how = "visible text";
        }
        if (!matches.empty()) {
            if (beneath) {
                fail(quoted(t) + " is beneath the presented " + coveringName + "; a finger cannot reach it");
            }
            if (matches.size() > 1) {
                std::string which;
                for (std::size_t i = 0; i < matches.size() && i < 5; ++i) which += (i ? ", " : "") + describe(*matches[i]);
                if (matches.size() > 5) which += ", ...";
                fail(quoted(t) + " is ambiguous: " + std::to_string(matches.size()) + " views match by " + how + " (" +
                     which + ")");
            }
            return matches.front();
        }
        if (layer.blocking && !beneath) {
            beneath = true;
            coveringName = layer.name;
        }
    }
    fail("no view matches " + quoted(t) + " (by role, accessibility identifier or visible text)");
}

void UIDriver::checkTouchable(const UIView& view, std::string_view target, std::string_view verb) const {
    const std::string name = quoted(target) + " (" + describe(view) + ")";
    const auto accessory = accessoryOf(window_.firstResponder());
    if (view.window() != &window_ && !(accessory && view.isDescendant(*accessory))) fail(name + " is not on screen");
    if (effectivelyHidden(view)) fail("cannot " + std::string(verb) + " " + name + ": it is hidden");
    for (const UIView* v = &view; v; v = v->superview().get()) {
        if (!v->userInteractionEnabled) fail("cannot " + std::string(verb) + " " + name + ": it does not take touches");
    }
    if (const auto* c = dynamic_cast<const UIControl*>(&view); c && !c->enabled) {
        fail("cannot " + std::string(verb) + " " + name + ": it is disabled");
    }
}

void UIDriver::tap(std::string_view target) {
    auto found = find(target);
    // The touch lands on the nearest control, cell or text view at or above the view found.
    std::shared_ptr<UIView> receiver;
    for (auto v = found; v; v = v->superview()) {
        if (dynamic_cast<UIControl*>(v.get()) || dynamic_cast<UITableViewCell*>(v.get()) ||
            dynamic_cast<UITextView*>(v.get())) {
            receiver = v;
            break;
        }
    }
    if (effectivelyHidden(*found)) fail("cannot tap " + quoted(target) + " (" + describe(*found) + "): it is hidden");
    if (!receiver) fail("cannot tap " + quoted(target) + " (" + describe(*found) + "): nothing there reacts to a tap");
    checkTouchable(*receiver, target, "tap");
    window_.closeMenu();
    if (auto* cell = dynamic_cast<UITableViewCell*>(receiver.get())) {
        if (auto table = cell->tableView()) table->selectRowByTap(cell->indexPath());
        return;
    }
    if (dynamic_cast<UITextField*>(receiver.get()) || dynamic_cast<UITextView*>(receiver.get())) {
        beginEditing(receiver, target);
        return;
    }
    static_cast<UIControl&>(*receiver).tapped();
}

void UIDriver::beginEditing(const std::shared_ptr<UIView>& input, std::string_view target) {
    if (input->isFirstResponder()) return;
    if (auto* t = dynamic_cast<UITextView*>(input.get())) t->selectedRange = {t->text.size(), 0};
    if (!input->becomeFirstResponder()) fail(quoted(target) + " (" + describe(*input) + ") did not start editing");
}

void UIDriver::typeInto(const std::shared_ptr<UIView>& input, std::string_view text, std::string_view target) {
    std::size_t typed = 0;
    for (const auto& key : graphemes(text)) {
        if (!input->isFirstResponder()) {
            fail(quoted(target) + " stopped editing after " + std::to_string(typed) + " of " +
                 std::to_string(graphemes(text).size()) + " characters");
        }
        if (auto* f = dynamic_cast<UITextField*>(input.get())) {
            f->typeKey(key);
        } else if (auto* t = dynamic_cast<UITextView*>(input.get())) {
            t->typeKey(key);
        }
        ++typed;
    }
}

namespace {

std::shared_ptr<UIView> textInput(const std::shared_ptr<UIView>& v) {
    if (dynamic_cast<UITextField*>(v.get()) || dynamic_cast<UITextView*>(v.get())) return v;
    return nullptr;
}

}  // namespace

void UIDriver::typeText(std::string_view target, std::string_view text) {
    auto input = textInput(find(target));
    if (!input) fail("cannot type into " + quoted(target) + " (" + describe(*find(target)) + "): it takes no text");
    checkTouchable(*input, target, "type into");
    window_.closeMenu();
    beginEditing(input, target);
    typeInto(input, text, target);
}

void UIDriver::replaceText(std::string_view target, std::string_view text) {
    auto input = textInput(find(target));
    if (!input) fail("cannot type into " + quoted(target) + " (" + describe(*find(target)) + "): it takes no text");
    checkTouchable(*input, target, "type into");
    window_.closeMenu();
    beginEditing(input, target);
    const std::string replacement(text);
    if (auto* f = dynamic_cast<UITextField*>(input.get())) {
        f->replaceAllText(replacement);
    } else if (auto* t = dynamic_cast<UITextView*>(input.get())) {
        t->replaceAllText(replacement);
    }
}

void UIDriver::endEditing() {
    auto responder = window_.firstResponder();
    if (!responder) fail("cannot end editing: no field is being edited");
    if (auto* toolbar = dynamic_cast<UIToolbar*>(accessoryOf(responder).get())) {
        for (const auto& item : toolbar->items()) {
            if (item && item->displayedTitle() == "Done") {
                if (!item->enabled) fail("cannot end editing: the accessory row's \"Done\" is disabled");
                item->tapped();
                return;
            }
        }
    }
    if (auto* f = dynamic_cast<UITextField*>(responder.get())) {
        f->pressReturn();
        return;
    }
    fail("cannot end editing " + describe(*responder) + ": it has no \"Done\" on its accessory row");
}

void UIDriver::pressReturn() {
    auto responder = window_.firstResponder();
    if (!responder) fail("cannot press return: no field is being edited");
    if (auto* f = dynamic_cast<UITextField*>(responder.get())) {
        f->pressReturn();
    } else if (auto* t = dynamic_cast<UITextView*>(responder.get())) {
        t->typeKey("\n");
    }
}

void UIDriver::chooseSegment(std::string_view target, std::string_view title) {
    auto v = find(target);
    auto* control = dynamic_cast<UISegmentedControl*>(v.get());
    if (!control) fail(quoted(target) + " (" + describe(*v) + ") is not a segmented control");
    checkTouchable(*v, target, "choose a segment of");
    std::string offered;
    for (std::size_t i = 0; i < control->numberOfSegments(); ++i) {
        if (control->titleForSegment(i) == title) {
            if (!control->isEnabled(i)) fail("segment " + quoted(title) + " of " + quoted(target) + " is disabled");
            window_.closeMenu();
            control->chooseSegment(i);
            return;
        }
        offered += (i ? ", " : "") + quoted(control->titleForSegment(i));
    }
    fail(quoted(target) + " has no segment " + quoted(title) + "; it has " + (offered.empty() ? "none" : offered));
}

void UIDriver::toggle(std::string_view target) {
    auto v = find(target);
    auto* sw = dynamic_cast<UISwitch*>(v.get());
    if (!sw) fail(quoted(target) + " (" + describe(*v) + ") is not a switch");
    checkTouchable(*v, target, "toggle");
    window_.closeMenu();
    sw->tapped();
}

void UIDriver::chooseMenuItem(std::string_view target, const std::vector<std::string>& titles) {
    auto v = find(target);
    std::shared_ptr<UIMenu> menu;
    if (auto* b = dynamic_cast<UIButton*>(v.get())) menu = b->menu;
    if (auto* i = dynamic_cast<UIBarButtonItem*>(v.get())) menu = i->menu;
    if (!menu) fail(quoted(target) + " (" + describe(*v) + ") has no menu");
    checkTouchable(*v, target, "open the menu of");
    const UIMenuLookup found = findMenuAction(*menu, titles);
    if (!found.action) fail(found.error);
    if (found.action->disabled) fail("menu item " + quoted(found.action->title) + " is disabled");
    window_.closeMenu();
    const auto keep = found.action;
    keep->perform();
}

void UIDriver::answerAlert(std::string_view button) {
    auto alert = std::dynamic_pointer_cast<UIAlertController>(window_.topViewController());
    if (!alert || !window_.presentedViewControllers().size()) fail("no alert is presented");
    std::vector<std::shared_ptr<UIAlertAction>> matches;
    std::string offered;
    for (const auto& a : alert->actions()) {
        if (a->title == button) matches.push_back(a);
        offered += (offered.empty() ? "" : ", ") + quoted(a->title);
    }
    if (matches.empty()) fail("the alert has no button " + quoted(button) + "; it has " + (offered.empty() ? "none" : offered));
    if (matches.size() > 1) fail("the alert has " + std::to_string(matches.size()) + " buttons " + quoted(button));
    if (!matches.front()->enabled) fail("the alert's button " + quoted(button) + " is disabled");
    matches.front()->tapped();
}

void UIDriver::fillAlertField(std::size_t number, std::string_view text) {
    auto alert = std::dynamic_pointer_cast<UIAlertController>(window_.topViewController());
    if (!alert || window_.presentedViewControllers().empty()) fail("no alert is presented");
    const auto& fields = alert->textFields();
    if (number < 1 || number > fields.size()) {
        fail("the alert has no text field " + std::to_string(number) + "; it has " + std::to_string(fields.size()));
    }
    auto field = fields[number - 1];
    checkTouchable(*field, "alert field " + std::to_string(number), "type into");
    beginEditing(field, "alert field " + std::to_string(number));
    if (!field->text.empty()) field->replaceAllText("");
    typeInto(field, text, "alert field " + std::to_string(number));
}

void UIDriver::showKeyboard(double topY) {
    const CGRect b = window_.bounds();
    if (!std::isfinite(topY) || topY < 0 || topY > b.size.height) {
        fail("a keyboard top of " + render::formatNumber(topY) + " lies outside the window (0 to " +
             render::formatNumber(b.size.height) + ")");
    }
    const CGRect frame(0, topY, b.size.width, b.size.height - topY);
    window_.setKeyboardFrame(frame);
    Notification n{UIKeyboard::willChangeFrameNotification, {}};
    n.userInfo[UIKeyboard::animationDurationKey] = 0.25;
    n.userInfo[UIKeyboard::animationCurveKey] = 7.0;
    n.userInfo[UIKeyboard::frameEndKey] = frame;
    window_.notificationCenter().post(n);
}

void UIDriver::hideKeyboard() {
    const CGRect b = window_.bounds();
    const double height = window_.keyboardFrame() ? window_.keyboardFrame()->size.height : 0;
    window_.setKeyboardFrame(std::nullopt);
    Notification n{UIKeyboard::willHideNotification, {}};
    n.userInfo[UIKeyboard::animationDurationKey] = 0.25;
    n.userInfo[UIKeyboard::animationCurveKey] = 7.0;
    n.userInfo[UIKeyboard::frameEndKey] = CGRect(0, b.size.height, b.size.width, height);
    window_.notificationCenter().post(n);
}

void UIDriver::search(std::string_view text) {
    auto controller = searchControllerOf(window_.topViewController());
    if (!controller) fail("the screen on top has no search field");
    std::shared_ptr<UIView> bar = controller->searchBar();
    checkTouchable(*bar, "search field", "type into");
    window_.closeMenu();
    beginEditing(bar, "search field");
    auto* field = static_cast<UITextField*>(bar.get());
    if (!field->text.empty()) field->replaceAllText("");
    typeInto(bar, text, "search field");
}

void UIDriver::pullToRefresh() {
    auto top = window_.topViewController();
    std::shared_ptr<UIRefreshControl> control;
    if (top && top->viewIfLoaded()) control = refreshControlIn(top->viewIfLoaded());
    if (!control) fail("the screen on top has no list to pull to refresh");
    if (!control->enabled) fail("pull to refresh is disabled");
    window_.closeMenu();
    control->pull();
}

void UIDriver::runUntilIdle() { runMainQueueUntilIdle(); }

void UIDriver::runMainQueueUntilIdle() { window_.mainQueue().drain(); }

}  // namespace platform
