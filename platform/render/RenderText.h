#pragma once
// Text helpers shared by the renderers of view trees (the widget's and the screens'): numbers
// written the same way in dumps and pages, one-line quoted texts for dumps, and HTML escaping.
#include <string>
#include <string_view>

namespace platform::render {

// Whole numbers without a fraction ("12"), others with up to ten significant digits ("0.45").
std::string formatNumber(double v);

// The text as a JSON string literal: quotes and line breaks escaped, so it stays on one line;
// bytes that are not UTF-8 become U+FFFD.
std::string quoted(std::string_view s);

// Escapes &, <, >, " and ' for use in HTML text and attribute values.
std::string escapeHtml(std::string_view s);

}  // namespace platform::render
