#pragma once
// Pages checked in a real browser: headless chromium (Debian's, or the one TARVO_CHROMIUM
// names) lays a page out, and a script of the test's reads back from each phone of the page
// (light, then dark) what the test looks at.
#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace tarvo_test {

// The browser, or none when it is not installed (the page tests then skip).
std::optional<std::string> findChromium();

// The page (HTML text) laid out by the browser, with phoneScript run for each element of class
// "phone" once the page has loaded: the script sees it as `phone` and pushes what it reads
// onto `out`. Returns what was pushed, in page order; an empty array, with the test failed,
// when the browser fails or nothing comes back. dir holds the probed page and the browser's
// profile.
platform::Json readBackPhones(const std::string& page, const std::string& phoneScript, const std::string& dir);

}  // namespace tarvo_test
