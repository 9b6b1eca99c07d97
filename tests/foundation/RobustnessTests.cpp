// Arbitrary text through every parser of the foundation, and back through its writer.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/foundation/Base64.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace {

std::string randomText(std::mt19937& rng) {
    // Mostly characters that matter to the parsers, some arbitrary bytes.
    static const std::string alphabet = "[]{}\":,\\/%?#&=+@. -_aZ09\n\r\t\x80\xC3\xA9\xE2\x80\xA8\xF0\x9F\x8E\x89\xFF";
    std::uniform_int_distribution<int> len(0, 64);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    int n = len(rng);
    for (int i = 0; i < n; ++i) s.push_back(i % 7 == 3 ? static_cast<char>(byte(rng)) : alphabet[pick(rng)]);
    return s;
}

// A JSON document of random shape over texts and numbers that matter to the writers.
platform::Json randomJson(std::mt19937& rng, int depth) {
    static const std::vector<std::string> pieces = {"a", "Z", "0", " ", "\"", "\\", "/", "%", "\n", "\t",
                                                    "\xC3\xA9", "\xE2\x80\xA8", "\xF0\x9F\x8E\x89", "\x01"};
    auto text = [&] {
        std::string t;
        for (int n = std::uniform_int_distribution<int>(0, 6)(rng); n > 0; --n)
            t += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
        return t;
    };
    switch (std::uniform_int_distribution<int>(0, depth > 0 ? 7 : 5)(rng)) {
        case 0: return nullptr;
        case 1: return std::uniform_int_distribution<int>(0, 1)(rng) == 1;
        case 2: return std::uniform_int_distribution<std::int64_t>(-1'000'000'000'000, 1'000'000'000'000)(rng);
        case 3: return std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
        case 4:
        case 5: return text();
        case 6: {
            platform::Json a = platform::Json::array();
            for (int n = std::uniform_int_distribution<int>(0, 4)(rng); n > 0; --n) a.push_back(randomJson(rng, depth - 1));
            return a;
        }
        default: {
            platform::Json o = platform::Json::object();
            for (int n = std::uniform_int_distribution<int>(0, 4)(rng); n > 0; --n) o[text()] = randomJson(rng, depth - 1);
            return o;
        }
    }
}

// Half the inputs are arbitrary text, half a JSON document with one byte changed.
std::string randomInput(std::mt19937& rng) {
    if (std::uniform_int_distribution<int>(0, 1)(rng) == 0) return randomText(rng);
    std::string s = platform::encodeCompact(randomJson(rng, 3));
    if (!s.empty() && std::uniform_int_distribution<int>(0, 1)(rng) == 0) {
        s[std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(rng)] =
            static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    }
    return s;
}

// Every parser answers arbitrary text (a value or a refusal) without crashing or tripping the
// sanitizers, and what it accepts survives the trip back through its writer unchanged.
TEST(Robustness, ArbitraryTextRoundTripsThroughEveryParserThatAcceptsIt) {
    std::mt19937 rng(20240611);
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomInput(rng);
        SCOPED_TRACE(::testing::PrintToString(s));
        if (auto j = platform::tryParseJson(s)) {
            ++accepted;
            const std::string sorted = platform::encodeSorted(*j);
            auto again = platform::tryParseJson(sorted);
            ASSERT_TRUE(again);
            EXPECT_EQ(platform::encodeSorted(*again), sorted);
            if (auto p = platform::PropertyList::fromPlainJson(*j)) {
                EXPECT_EQ(platform::PropertyList::fromTaggedJson(p->toTaggedJson()), *p);
            }
            try {
                platform::PropertyList::fromTaggedJson(*j);
            } catch (const platform::DecodingError&) {
            }
        }
        if (auto u = platform::URL::parse(s)) {
            auto again = platform::URL::parse(u->absoluteString());
            ASSERT_TRUE(again);
            EXPECT_EQ(again->absoluteString(), u->absoluteString());
            u->host();
            u->port();
            u->appendingPathComponent(s).deletingLastPathComponent();
            const std::string last = u->lastPathComponent();
            EXPECT_TRUE(last == "/" || last.find('/') == std::string::npos) << last;
        }
        if (auto c = platform::URLComponents::parse(s)) {
            if (auto text = c->string()) {
                auto again = platform::URLComponents::parse(*text);
                ASSERT_TRUE(again);
                EXPECT_EQ(again->string(), text);
            }
        }
        if (auto bytes = platform::base64Decode(s)) {
            EXPECT_EQ(platform::base64Decode(platform::base64Encode(*bytes)), bytes);
        }
        if (auto decoded = platform::percentDecode(s)) {
            EXPECT_EQ(platform::percentDecode(platform::percentEncodeUnreserved(*decoded)), decoded);
        }
        const std::string trimmed = platform::text::trimmed(s);
        EXPECT_EQ(platform::text::trimmed(trimmed), trimmed);
        for (const auto& line : platform::text::splitLines(s)) {
            EXPECT_EQ(line.find_first_of("\n\r"), std::string::npos);
        }
        EXPECT_LE(platform::text::graphemeCount(platform::text::prefixGraphemes(s, 3)), 3u);
        const std::string lower = platform::text::lowercased(s);
        EXPECT_EQ(platform::text::lowercased(lower), lower);
        EXPECT_EQ(platform::text::localizedStandardCompare(s, "file10"),
                  -platform::text::localizedStandardCompare("file10", s));
        EXPECT_EQ(platform::text::localizedStandardCompare(s, s), 0);
        if (s.find_first_of("aA") != std::string::npos) {
            EXPECT_TRUE(platform::text::containsIgnoringCase(s, "a"));
        }
    }
    EXPECT_GT(accepted, 5000);  // enough documents for the round trips to mean something
}

}  // namespace
