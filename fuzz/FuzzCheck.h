#pragma once
// The checks every fuzzer makes: a failed invariant aborts, which libFuzzer reports as a crash
// with the input that caused it.
#include <cstdlib>
#include <string>

#include "Core/DisplayText.h"
#include "platform/foundation/Text.h"

namespace fuzzing {

inline void require(bool condition) {
    if (!condition) std::abort();
}

// A text as a person sees it: valid UTF-8, cut to the display limit of characters of at most 32
// bytes each, behind a short fixed text.
inline void requireReadable(const std::string& text) {
    require(platform::text::isValidUTF8(text));
    require(text.size() <= 32 * tarvo::kDisplayTextLimit + 256);
}

}  // namespace fuzzing
