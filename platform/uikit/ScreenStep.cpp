#include "platform/uikit/ScreenStep.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "platform/render/RenderText.h"
#include "platform/uikit/UIDriver.h"

namespace platform {
namespace {

[[noreturn]] void bad(std::string_view step, const std::string& why) {
    throw ScreenStepError("bad step " + render::quoted(step) + ": " + why);
}

// Undoes the escapes of a text; with slashSplits, also splits at unescaped "/".
std::vector<std::string> unescape(std::string_view step, std::string_view s, bool slashSplits) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size()) bad(step, "a backslash ends the text (write \\\\ for a backslash)");
            const char e = s[++i];
            switch (e) {
                case 'n': parts.back() += '\n'; break;
                case 't': parts.back() += '\t'; break;
                case '\\': parts.back() += '\\'; break;
                case '/':
                    if (!slashSplits) bad(step, "unknown escape \\/ (only menu paths escape a slash)");
                    parts.back() += '/';
                    break;
                default: bad(step, std::string("unknown escape \\") + e + " (use \\n, \\t or \\\\)");
            }
        } else if (c == '/' && slashSplits) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string text(std::string_view step, std::string_view s) { return unescape(step, s, false).front(); }

// "TARGET=REST": both parts; the target must not be empty.
std::pair<std::string, std::string_view> targetAndRest(std::string_view step, std::string_view verb,
                                                       std::string_view arg, std::string_view what) {
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos) bad(step, std::string(verb) + " needs TARGET=" + std::string(what));
    if (eq == 0) bad(step, std::string(verb) + " needs a target before \"=\"");
    return {std::string(arg.substr(0, eq)), arg.substr(eq + 1)};
}

}  // namespace

ScreenStep parseScreenStep(std::string_view step) {
    const auto colon = step.find(':');
    const std::string_view verb = step.substr(0, colon);
    const bool hasArg = colon != std::string_view::npos;
    const std::string_view arg = hasArg ? step.substr(colon + 1) : std::string_view();
    ScreenStep s;

    auto noArgument = [&](ScreenStep::Verb v) {
        if (hasArg) bad(step, std::string(verb) + " takes no argument");
        s.verb = v;
        return s;
    };
    auto needArgument = [&](std::string_view what) {
        if (!hasArg || arg.empty()) bad(step, std::string(verb) + " needs " + std::string(what));
    };

    if (verb == "end") return noArgument(ScreenStep::Verb::end);
    if (verb == "refresh") return noArgument(ScreenStep::Verb::refresh);
    if (verb == "wait") return noArgument(ScreenStep::Verb::wait);
    if (verb == "dump") return noArgument(ScreenStep::Verb::dump);
    if (verb == "tap" || verb == "toggle") {
        needArgument("a target");
        s.verb = verb == "tap" ? ScreenStep::Verb::tap : ScreenStep::Verb::toggle;
        s.target = std::string(arg);
        return s;
    }
    if (verb == "type" || verb == "replace") {
        needArgument("TARGET=TEXT");
        auto [target, rest] = targetAndRest(step, verb, arg, "TEXT");
        s.verb = verb == "type" ? ScreenStep::Verb::type : ScreenStep::Verb::replace;
        s.target = std::move(target);
        s.text = text(step, rest);
        if (s.verb == ScreenStep::Verb::type && s.text.empty()) bad(step, "type needs a text to type");
        return s;
    }
    if (verb == "segment") {
        needArgument("TARGET=TITLE");
        auto [target, rest] = targetAndRest(step, verb, arg, "TITLE");
        s.verb = ScreenStep::Verb::segment;
        s.target = std::move(target);
        s.text = text(step, rest);
        if (s.text.empty()) bad(step, "segment needs a segment title after \"=\"");
        return s;
    }
    if (verb == "menu") {
        needArgument("TARGET=TITLE[/TITLE...]");
        auto [target, rest] = targetAndRest(step, verb, arg, "TITLE[/TITLE...]");
        s.verb = ScreenStep::Verb::menu;
        s.target = std::move(target);
        s.menuPath = unescape(step, rest, true);
        for (const auto& t : s.menuPath) {
            if (t.empty()) bad(step, "menu titles must not be empty");
        }
        return s;
    }
    if (verb == "alert") {
        needArgument("a button title");
        s.verb = ScreenStep::Verb::alert;
        s.text = text(step, arg);
        return s;
    }
    if (verb == "alert-field") {
        needArgument("N=TEXT");
        auto [number, rest] = targetAndRest(step, verb, arg, "TEXT");
        if (number.size() > 3 || number.find_first_not_of("0123456789") != std::string::npos || std::stoul(number) == 0) {
            bad(step, "alert-field needs a field number from 1, not " + render::quoted(number));
        }
        s.verb = ScreenStep::Verb::alertField;
        s.fieldNumber = std::stoul(number);
        s.text = text(step, rest);
        return s;
    }
    if (verb == "keyboard") {
        needArgument("a top edge in points or \"hide\"");
        s.verb = ScreenStep::Verb::keyboard;
        if (arg == "hide") return s;
        const std::string number(arg);
        char* end = nullptr;
        const double y = std::strtod(number.c_str(), &end);
        if (end != number.c_str() + number.size() || !std::isfinite(y) || y < 0 ||
            number.find_first_not_of("0123456789.") != std::string::npos) {
            bad(step, "keyboard needs a top edge in points (a number, 0 or more) or \"hide\"");
        }
        s.keyboardTop = y;
        return s;
    }
    if (verb == "search") {
        if (!hasArg) bad(step, "search needs a text after \":\" (empty clears the search)");
        s.verb = ScreenStep::Verb::search;
        s.text = text(step, arg);
        return s;
    }
    if (verb.empty()) bad(step, "no verb");
    bad(step, "unknown verb " + render::quoted(verb) +
                  " (known: tap, type, replace, end, segment, menu, toggle, alert, alert-field, keyboard, search, "
                  "refresh, wait, dump)");
}

void performScreenStep(UIDriver& driver, const ScreenStep& step, std::ostream& out) {
    using V = ScreenStep::Verb;
    switch (step.verb) {
        case V::tap: driver.tap(step.target); break;
        case V::type: driver.typeText(step.target, step.text); break;
        case V::replace: driver.replaceText(step.target, step.text); break;
        case V::end: driver.endEditing(); break;
        case V::segment: driver.chooseSegment(step.target, step.text); break;
        case V::menu: driver.chooseMenuItem(step.target, step.menuPath); break;
        case V::toggle: driver.toggle(step.target); break;
        case V::alert: driver.answerAlert(step.text); break;
        case V::alertField: driver.fillAlertField(step.fieldNumber, step.text); break;
        case V::keyboard:
            if (step.keyboardTop) {
                driver.showKeyboard(*step.keyboardTop);
            } else {
                driver.hideKeyboard();
            }
            break;
        case V::search: driver.search(step.text); break;
        case V::refresh: driver.pullToRefresh(); break;
        case V::wait: driver.runUntilIdle(); break;
        case V::dump: out << driver.dump(); break;
    }
}

}  // namespace platform
