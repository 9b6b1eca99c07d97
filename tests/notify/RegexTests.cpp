#include <string>

#include <gtest/gtest.h>

#include "platform/foundation/Regex.h"

using platform::RegexError;
using platform::RegexMatch;
using platform::RegularExpression;

TEST(Regex, CaptureGroupsWithByteRangesAndAbsentGroups) {
    const RegularExpression re("(é+): (\\w+)(?:/(x))?", RegularExpression::caseInsensitive);
    auto m = re.firstMatch("→ ÉÉé: naïve tail");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->numberOfRanges(), 4u);
    EXPECT_EQ(m->group(0), "ÉÉé: naïve");
    EXPECT_EQ(m->group(1), "ÉÉé");
    EXPECT_EQ(m->group(2), "naïve");
    EXPECT_FALSE(m->group(3)) << "a group outside the match has no text";
    EXPECT_FALSE(m->range(3));
    EXPECT_FALSE(m->group(9));
    // "→ " is 4 bytes; each é/É is 2.
    EXPECT_EQ(m->range(1), (RegexMatch::Range{4, 6}));
    EXPECT_EQ(m->range(2), (RegexMatch::Range{12, 6}));
    EXPECT_EQ(re.numberOfCaptureGroups(), 3u);
    EXPECT_FALSE(re.firstMatch("no match here"));
}

TEST(Regex, UnicodeWhitespaceCaseFoldingAndSymbols) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"a\\s+b", "a\u3000\u00A0\u2028b", true},      // ideographic, no-break and line separator
        {"^\\s*$", "\u2003\t\r\n", true},
        {"σίγμα", "ΣΊΓΜΑ", true},                      // Greek folds
        {"привет", "ПРИВЕТ", true},                     // Cyrillic folds
        {"(\\d+)×(\\d+)", "1920×1080", true},            // a symbol without case stays itself
        {"\\d+×\\d+", "1920x1080", false},
        {"\\d+×\\d+", "1920X1080", false},
    };
    for (const auto& c : cases) {
        const RegularExpression re(c.pattern, RegularExpression::caseInsensitive);
        EXPECT_EQ(re.firstMatch(c.text).has_value(), c.matches) << c.pattern << " on " << c.text;
    }
    EXPECT_FALSE(RegularExpression("σίγμα").firstMatch("ΣΊΓΜΑ")) << "case counts without the option";
}

TEST(Regex, ReplaceAllWithTemplatesAndLiteralTemplates) {
    const RegularExpression re("(\\w+)=(\\w+)");
    EXPECT_EQ(re.replacingMatches("a=1, b=2", "$2:$1"), "1:a, 2:b");
    EXPECT_EQ(re.replacingMatches("a=1", RegularExpression::escapedTemplate("$1\\")), "$1\\");
    EXPECT_EQ(re.replacingMatches("nothing", "$1"), "nothing");
    EXPECT_EQ(RegularExpression("x*").replacingMatches("abc", "-"), "-a-b-c-");
    try {
        re.replacingMatches("a=1", "$7");
        FAIL() << "a template naming a missing group must fail";
    } catch (const RegexError& e) {
        EXPECT_EQ(e.kind(), RegexError::Kind::invalidTemplate);
    }
}

TEST(Regex, EscapedPatternMatchesExactlyItsText) {
    const std::string texts[] = {
        "default@main",
        "a.b*c+?[x](y){2}^$|\\/#-",
        " spaced\ttab\nline ",
        "\\E\\Q end",
        std::string("nul\0byte", 8),
        "ümlaut.zip",
    };
    for (const auto& text : texts) {
        for (auto options : {RegularExpression::none, RegularExpression::caseInsensitive}) {
            const RegularExpression re("^" + RegularExpression::escapedPattern(text) + "$", options);
            EXPECT_TRUE(re.firstMatch(text)) << text;
            EXPECT_FALSE(re.firstMatch(text + "!")) << text;
        }
    }
    EXPECT_FALSE(RegularExpression(RegularExpression::escapedPattern("a.c")).firstMatch("abc"));
}

TEST(Regex, BadPatternsAndInputsFailCleanly) {
    for (const char* pattern : {"(", "[a-", "a{2,1}", "\\", "(?<name", "*a"}) {
        try {
            RegularExpression re(pattern);
            FAIL() << pattern << " compiled";
        } catch (const RegexError& e) {
            EXPECT_EQ(e.kind(), RegexError::Kind::invalidPattern);
            EXPECT_EQ(e.domain(), "NSCocoaErrorDomain");
            EXPECT_EQ(e.code(), 2048);
        }
    }
    // Invalid UTF-8 reads as U+FFFD and never breaks the search or the ranges.
    const RegularExpression re("artifact:\\s*(\\S+)", RegularExpression::caseInsensitive);
    auto m = re.firstMatch("\xff\xfe ARTIFACT: \xc3(a.zip");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->group(1), "\uFFFD(a.zip");
    EXPECT_EQ(re.replacingMatches("\x80 artifact: x", "y"), "\uFFFD y");
}

TEST(Regex, RunawayBacktrackingStopsAtTheWorkLimit) {
    RegularExpression re("(a+)+b");
    re.setWorkLimit(1);
    const std::string text(40, 'a');
    try {
        re.firstMatch(text);
        FAIL() << "expected the work limit to stop the search";
    } catch (const RegexError& e) {
        EXPECT_EQ(e.kind(), RegexError::Kind::limitExceeded);
    }
    EXPECT_THROW(re.replacingMatches(text, ""), RegexError);
}

TEST(Regex, LongInputsNeitherOverflowNorPassForNoMatch) {
    // Alternations over a long input are where recursive engines overflow the stack.
    const RegularExpression re("(?:a|b)+$");
    const std::string text = std::string(500'000, 'a') + "b";
    auto m = re.firstMatch(text);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->range(0), (RegexMatch::Range{0, text.size()}));
    EXPECT_EQ(RegularExpression("ab").matches("ab ab").size(), 2u);
    // Past the backtracking memory limit the search fails loudly instead of "not found".
    const std::string huge(8'000'000, 'a');
    try {
        re.firstMatch(huge);
        FAIL() << "expected the memory limit to stop the search";
    } catch (const RegexError& e) {
        EXPECT_EQ(e.kind(), RegexError::Kind::limitExceeded);
    }
    // A linear search over megabytes stays inside the default work limit.
    EXPECT_EQ(RegularExpression("b$").replacingMatches(text, "c").back(), 'c');
}
