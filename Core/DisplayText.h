#pragma once
// How long a text from a server may be when it reaches a person: an error message, a reply body,
// a failing command's output. Longer ones are cut with "…", so a server cannot make a message
// (or the memory that holds it) as large as it likes.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/foundation/Text.h"

namespace tarvo {

// Characters (grapheme clusters) of a server's text kept in a message for a person; the same
// length the linked deployment keeps of its reply.
inline constexpr std::size_t kDisplayTextLimit = 500;

// The first kDisplayTextLimit characters and "…" when the text is longer; the text itself
// otherwise.
inline std::string displayText(std::string_view text) { return platform::text::shortened(text, kDisplayTextLimit); }

}  // namespace tarvo
