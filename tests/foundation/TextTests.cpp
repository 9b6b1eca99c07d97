#include <gtest/gtest.h>

#include "platform/foundation/Text.h"

namespace text = platform::text;

namespace {

TEST(Text, TrimsUnicodeWhitespaceAndNewlines) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"  abc  ", "abc"},
        {"\t\n\r\v\fabc\r\n", "abc"},
        {"\u00A0abc\u00A0", "abc"},            // no-break space
        {"\u3000abc\u3000", "abc"},            // ideographic space
        {"\u2028abc\u2029", "abc"},            // line and paragraph separators
        {"\u0085\u2003abc\u202F\u205F", "abc"},
        {"a b\u00A0c", "a b\u00A0c"},          // inner spaces stay
        {"\u200Babc", "\u200Babc"},            // zero-width space is not white space
        {"   ", ""},
        {"", ""},
        {" \xFF ", "\xFF"},                    // invalid bytes are kept, not rewritten
        {"é ", "é"},
        // The end read from both sides of its last non-ASCII character.
        {"abc \u3000\t ", "abc"},
        {"abc\u3000x ", "abc\u3000x"},
        {"ab\xE3\x80 ", "ab\xE3\x80"},       // a cut sequence is kept whole
        {"\u3000 \u3000", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(text::trimmed(c.in), c.out) << c.in;
}

TEST(Text, TrimsGivenCharacterSet) {
    EXPECT_EQ(text::trimmingCharacters("//a/b//", "/"), "a/b");
    EXPECT_EQ(text::trimmingCharacters("«x»", "«»"), "x");
    EXPECT_EQ(text::trimmingCharacters("abc", ""), "abc");
    EXPECT_EQ(text::trimmingCharacters("«x»//»/", "/»"), "«x");
}

TEST(Text, SplitsAtEveryNewlineKind) {
    using V = std::vector<std::string>;
    struct Case {
        std::string in;
        V out;
    };
    const Case cases[] = {
        {"a\nb", V{"a", "b"}},
        {"a\r\nb", V{"a", "b"}},
        {"a\rb", V{"a", "b"}},
        {"a\r\rb", V{"a", "", "b"}},
        {"a\n\r\nb", V{"a", "", "b"}},
        {"a\u0085b\u2028c\u2029d", V{"a", "b", "c", "d"}},
        {"a\n", V{"a", ""}},
        {"", V{""}},
        {"no newline", V{"no newline"}},
    };
    for (const auto& c : cases) EXPECT_EQ(text::splitLines(c.in), c.out) << c.in;
}

TEST(Text, ComponentsKeepEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(text::components("a,,b,", ","), (V{"a", "", "b", ""}));
    EXPECT_EQ(text::components("a::b", "::"), (V{"a", "b"}));
    EXPECT_EQ(text::components("abc", ""), (V{"abc"}));
    EXPECT_EQ(text::componentsSeparatedBy("a b\u00A0c", text::isWhitespace), (V{"a", "b", "c"}));
}

TEST(Text, CaseMappingIsFullUnicode) {
    EXPECT_EQ(text::lowercased("ÀÉÎ ABC"), "àéî abc");
    EXPECT_EQ(text::uppercased("straße"), "STRASSE");
    EXPECT_EQ(text::uppercased("ǆ"), "Ǆ");
    EXPECT_EQ(text::lowercased("I"), "i");  // root locale, not Turkish
    EXPECT_EQ(text::lowercased("Deploy_2.SH"), "deploy_2.sh");
    EXPECT_EQ(text::uppercased("deploy_2.sh"), "DEPLOY_2.SH");
}

TEST(Text, CaseInsensitiveComparison) {
    struct Case {
        std::string a, b;
        int expected;
    };
    const Case cases[] = {
        {"abc", "ABC", 0}, {"Straße", "STRASSE", 0}, {"Ünïcode", "üNÏCODE", 0},
        {"a", "B", -1},    {"b", "A", 1},             {"", "", 0},
        {"abc", "abcd", -1},
        // ASCII up to the decision, with other letters after it or none at all.
        {"_", "A", -1},    {"Zé", "aé", 1},           {"x", "Xé", -1},
        {"xß", "XSS", 0},  {"aBcé", "ABCÉ", 0},       {"path/Deploy.SH", "path/deploy.sh", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::caseInsensitiveCompare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(text::equalsIgnoringCase(c.a, c.b), c.expected == 0);
        EXPECT_EQ(text::caseFolded(c.a) == text::caseFolded(c.b), c.expected == 0) << c.a << " vs " << c.b;
    }
    EXPECT_TRUE(text::containsIgnoringCase("Build FAILED at step", "failed"));
    EXPECT_TRUE(text::containsIgnoringCase("GROSSE", "straße") == false);
    EXPECT_TRUE(text::containsIgnoringCase("die Straße", "STRASSE"));
    EXPECT_FALSE(text::containsIgnoringCase("abc", ""));
}

TEST(Text, NaturalCompareOrdersNumbersByValue) {
    struct Case {
        std::string a, b;
        int expected;
    };
    const Case cases[] = {
        {"file2", "file10", -1},
        {"file10", "file2", 1},
        {"File1", "file2", -1},
        {"a", "B", -1},
        {"img9.png", "img10.png", -1},
        {"v1.2.10", "v1.2.9", 1},
        {"same", "same", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(text::localizedStandardCompare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    // Strings that differ only by case are still ordered, consistently both ways.
    int ab = text::localizedStandardCompare("abc", "ABC");
    EXPECT_NE(ab, 0);
    EXPECT_EQ(text::localizedStandardCompare("ABC", "abc"), -ab);
}

TEST(Text, GraphemesCountUserPerceivedCharacters) {
    EXPECT_EQ(text::graphemeCount(""), 0u);
    EXPECT_EQ(text::graphemeCount("abc"), 3u);
    EXPECT_EQ(text::graphemeCount("e\u0301"), 1u);                       // e + combining acute
    EXPECT_EQ(text::graphemeCount("👨‍👩‍👧‍👦"), 1u);                         // ZWJ family
    EXPECT_EQ(text::graphemeCount("🇫🇮🇸🇪"), 2u);                         // two flags
    EXPECT_EQ(text::graphemeCount("\r\n"), 1u);
    EXPECT_EQ(text::graphemeCount("a\r\nb\n\r"), 5u);
    EXPECT_EQ(text::prefixGraphemes("a\r\nb", 2), "a\r\n");
    EXPECT_EQ(text::prefixGraphemes("e\u0301xyz", 2), "e\u0301x");
    EXPECT_EQ(text::prefixGraphemes("🇫🇮🇸🇪", 1), "🇫🇮");
    EXPECT_EQ(text::prefixGraphemes("ab", 5), "ab");
    EXPECT_EQ(text::prefixGraphemes("ab", 0), "");
    EXPECT_EQ(text::prefixGraphemes("abe\u0301", 2), "ab");
    EXPECT_EQ(text::prefixGraphemes("abe\u0301", 3), "abe\u0301");  // the mark joins the last one asked for
    EXPECT_EQ(text::prefixGraphemes("ab\r\n", 3), "ab\r\n");
    EXPECT_EQ(text::prefixGraphemes("ab\r\n\u00E9", 3), "ab\r\n");
    EXPECT_EQ(text::graphemeCount("a\xFF" "b"), 3u);  // an invalid byte counts as one character
}

TEST(Text, ShortenedKeepsWholeCharactersFromEitherEnd) {
    const std::string e = "\u2026";
    EXPECT_EQ(text::shortened("abc", 3), "abc");
    EXPECT_EQ(text::shortened("abcd", 3), "abc" + e);
    EXPECT_EQ(text::shortened("e\u0301e\u0301e\u0301", 2), "e\u0301e\u0301" + e);
    EXPECT_EQ(text::shortened("🇫🇮🇸🇪", 1), "🇫🇮" + e);
    EXPECT_EQ(text::shortened("", 0), "");
    EXPECT_EQ(text::shortenedKeepingEnd("abc", 3), "abc");
    EXPECT_EQ(text::shortenedKeepingEnd("abcd", 3), e + "bcd");
    EXPECT_EQ(text::shortenedKeepingEnd("xe\u0301\U0001F468\u200D\U0001F469", 2), e + "e\u0301\U0001F468\u200D\U0001F469");
    // A long text: only a window at its end is looked at, and the cut never splits a character.
    std::string accents;
    for (int i = 0; i < 3000; ++i) accents += "\u00E9";
    const std::string tail = text::shortenedKeepingEnd(std::string(1 << 20, 'x') + accents, 10);
    EXPECT_EQ(tail, e + accents.substr(accents.size() - 20));
    EXPECT_TRUE(text::isValidUTF8(text::shortened(accents, 7)));
}

TEST(Text, ShortenedBoundsACharacterOfEndlessMarks) {
    // One character: a letter and half a million combining accents.
    std::string marks = "a";
    for (int i = 0; i < (1 << 19); ++i) marks += "\u0301";
    const std::string e = "\u2026";
    for (const std::string& s : {marks, "xyz" + marks}) {
        const std::string cut = text::shortened(s, 5);
        EXPECT_LE(cut.size(), 5 * 32 + e.size());
        EXPECT_EQ(cut.substr(cut.size() - e.size()), e);
        EXPECT_EQ(cut.compare(0, 3, s, 0, 3), 0);
        EXPECT_TRUE(text::isValidUTF8(cut));
    }
    // Ordinary texts are cut where they were.
    std::string accents;
    for (int i = 0; i < 300; ++i) accents += "e\u0301";
    EXPECT_EQ(text::shortened(accents, 200), accents.substr(0, 200 * 3) + e);
}

TEST(Text, Utf8DecodingReplacesInvalidSequences) {
    EXPECT_TRUE(text::isValidUTF8("héllo \u4E16 🎉"));
    EXPECT_TRUE(text::isValidUTF8("\uFFFD"));
    const std::string invalid[] = {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"};
    for (const auto& s : invalid) {
        EXPECT_FALSE(text::isValidUTF8(s));
        for (char32_t c : text::toUTF32(s)) EXPECT_EQ(c, U'\uFFFD');
    }
    EXPECT_EQ(text::toUTF32("a\xE2\x82"), (std::u32string{U'a', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(text::fromUTF32(std::u32string{U'a', 0xD800, 0x110000, U'🎉'}), "a\uFFFD\uFFFD🎉");
}

TEST(Text, ReplacesAllOccurrences) {
    EXPECT_EQ(text::replacingOccurrences("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(text::replacingOccurrences("aaa", "aa", "b"), "ba");
    EXPECT_EQ(text::replacingOccurrences("abc", "", "x"), "abc");
    EXPECT_TRUE(text::hasPrefix("share.project.x", "share.project."));
    EXPECT_FALSE(text::hasSuffix("a", "ab"));
}

}  // namespace
