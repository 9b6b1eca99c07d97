#pragma once
// Does to a window what a person's finger and keyboard do, for tests and for the share
// program's steps. Every verb acts only where a person could: on a visible view (neither it
// nor an ancestor hidden or transparent) that takes touches, and, for controls, that is enabled.
//
// Targets. A target is a role, else an accessibility identifier, else a visible text (a
// label's text, a button's or bar button's title, a field's text or, when empty, its
// placeholder, a cell's text, an alert action's title). The first of those that matches
// anything decides; texts only match visible views. The views looked in are, in order: the
// keyboard's accessory row (while a field with one is being edited), the topmost presented
// controller (an alert, the picker), then what lies beneath it. A target found beneath a
// presented controller cannot be touched and fails. A target that is missing, ambiguous,
// hidden, disabled or of the wrong kind fails with UIDriverError, whose message names the
// problem and carries the window's text dump.
//
// A tap lands on the nearest control, cell or text view at or above the view found (texts
// inside a row control tap the row); a tap on a field or text view starts editing there. A tap
// closes an opened menu first, as a tap outside it would.
//
// Typing goes one character (grapheme) at a time through the field's own key handling, so the
// delegate and the control events see each keystroke; a keystroke the delegate refuses is
// dropped, as the keyboard drops it. The run until idle runs the main queue's ready work.
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class UIView;
class UIWindow;

class UIDriverError : public std::runtime_error {
public:
    UIDriverError(std::string problem, std::string screen)
        : std::runtime_error(problem + "\n" + screen), problem_(std::move(problem)), screen_(std::move(screen)) {}
    // What went wrong, in one line.
    const std::string& problem() const { return problem_; }
    // The window's text dump when it went wrong.
    const std::string& screen() const { return screen_; }

private:
    std::string problem_;
    std::string screen_;
};

class UIDriver {
public:
    explicit UIDriver(UIWindow& window) : window_(window) {}

    UIWindow& window() const { return window_; }

    // The one view the target names, visible or not (the verbs check what they need).
    std::shared_ptr<UIView> find(std::string_view target) const;

    void tap(std::string_view target);
    // Starts editing the field or text view (if it is not being edited) and types text.
    void typeText(std::string_view target, std::string_view text);
    // Starts editing and replaces the whole text, as a paste over everything does.
    void replaceText(std::string_view target, std::string_view text);
    // Ends editing in the field being edited: the accessory row's "Done" when it has one,
    // else the return key of a text field.
    void endEditing();
    // The return key of the field being edited (a line break in a text view).
    void pressReturn();
    void chooseSegment(std::string_view target, std::string_view title);
    void toggle(std::string_view target);
    // Opens the menu of the button or bar button and chooses the item reached by titles.
    void chooseMenuItem(std::string_view target, const std::vector<std::string>& titles);
    // Taps the action of the presented alert.
    void answerAlert(std::string_view button);
    // Fills the alert's text field number `number` (from 1) with text.
    void fillAlertField(std::size_t number, std::string_view text);
    // Posts the keyboard's will-change-frame with its top edge at topY (window coordinates),
    // lasting 0.25 seconds on the keyboard's curve (7).
    void showKeyboard(double topY);
    // Posts the keyboard's will-hide.
    void hideKeyboard();
    // Types into the search field of the topmost screen, replacing what it held.
    void search(std::string_view text);
    // Pulls to refresh the topmost screen's list.
    void pullToRefresh();
    // Runs the main queue until nothing is ready to run.
    void runUntilIdle();

    std::string dump() const;

private:
    [[noreturn]] void fail(const std::string& problem) const;
    // Throws unless a person could touch view (visible, taking touches, enabled).
    void checkTouchable(const UIView& view, std::string_view target, std::string_view verb) const;
    void beginEditing(const std::shared_ptr<UIView>& input, std::string_view target);
    void typeInto(const std::shared_ptr<UIView>& input, std::string_view text, std::string_view target);
    // The single place the driver waits for the main queue.
    void runMainQueueUntilIdle();

    UIWindow& window_;
};

}  // namespace platform
