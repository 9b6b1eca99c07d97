#pragma once
// The step language of the screen programs: one step a line (or a --do argument), naming what
// a person does next, parsed into a ScreenStep and carried out on a UIDriver.
//
//   tap:TARGET              type:TARGET=TEXT        replace:TARGET=TEXT     end
//   segment:TARGET=TITLE    menu:TARGET=TITLE[/TITLE...]                    toggle:TARGET
//   alert:BUTTON            alert-field:N=TEXT      keyboard:TOP-Y          keyboard:hide
//   search:TEXT             refresh                 wait                    dump
//
// TARGET is split from the rest at the first "=" (so a text may contain "="; a target may not).
// In TEXT, TITLE and BUTTON, "\n" is a line break, "\t" a tab, "\\" a backslash; in a menu
// path "\/" is a slash inside a title. N counts text fields from 1. TOP-Y is the keyboard's
// top edge in window points. `end` ends editing (the accessory's "Done", else return); `wait`
// runs until nothing more can happen without the person; `dump` prints the screen.
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class UIDriver;

struct ScreenStep {
    enum class Verb { tap, type, replace, end, segment, menu, toggle, alert, alertField, keyboard, search, refresh, wait, dump };

    Verb verb = Verb::wait;
    std::string target;                // tap, type, replace, segment, menu, toggle
    std::string text;                  // type, replace, segment (title), alert (button), alertField, search
    std::vector<std::string> menuPath; // menu
    std::size_t fieldNumber = 0;       // alertField, from 1
    std::optional<double> keyboardTop; // keyboard; nullopt hides it

    bool operator==(const ScreenStep&) const = default;
};

class ScreenStepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses one step; throws ScreenStepError with a message that quotes the step and says what is
// wrong.
ScreenStep parseScreenStep(std::string_view step);

// Carries the step out; `dump` writes the screen's text dump to out. Failures of the driver
// come out as UIDriverError.
void performScreenStep(UIDriver& driver, const ScreenStep& step, std::ostream& out);

}  // namespace platform
