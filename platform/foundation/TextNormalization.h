#pragma once
// Unicode canonical composition, for comparing texts the way the platform's strings compare:
// two texts that differ only in how an accented letter is encoded are equal after it.
#include <string>
#include <string_view>

namespace platform::text {

// The NFC form of s (invalid UTF-8 sequences become U+FFFD). ASCII comes back unchanged
// without a round trip through ICU.
std::string canonicallyComposed(std::string_view s);

}  // namespace platform::text
