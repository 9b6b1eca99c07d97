#pragma once
// Locale-aware string ordering, the way the platform sorts names for people to read.
#include <string_view>

namespace platform::text {

// Collation order with letter case ignored (accents still count): <0, 0, >0.
// The programs carry no locale of their own, so the language-neutral root collation is used;
// the POSIX locale's tailoring would sort "B" before "a", which no person expects.
// Invalid UTF-8 compares as U+FFFD.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);

}  // namespace platform::text
