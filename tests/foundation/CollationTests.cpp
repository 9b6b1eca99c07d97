#include "platform/foundation/Text.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using platform::text::localizedCaseInsensitiveCompare;

TEST(Collation, OrdersNamesForPeopleIgnoringCaseButNotAccents) {
    struct Case {
        std::string a, b;
        int expected;
    };
    const Case cases[] = {
        {"a", "B", -1},            // not byte order, where "B" < "a"
        {"Zeta", "alpha", 1},
        {"README.md", "readme.MD", 0},
        {"e", "\u00E9", -1},       // an accent still counts...
        {"\u00E9", "f", -1},       // ...but only after the base letter
        {"\u00C9COLE", "\u00E9cole", 0},
        {"", "a", -1},
        {"a", "", 1},
        {"", "", 0},
        {"file2", "file10", 1},    // no numeric ordering
        // Ill-formed UTF-8 reads as U+FFFD instead of running past the text.
        {"x\xFF", "x\xEF\xBF\xBD", 0},
        {"\xC3", "\xEF\xBF\xBD", 0},  // a sequence cut short
        {std::string("a\0b", 3), std::string("a\0c", 3), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(localizedCaseInsensitiveCompare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(localizedCaseInsensitiveCompare(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

}  // namespace
