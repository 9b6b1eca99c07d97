// Arbitrary bytes through every parser: each must answer (value or refusal) without crashing
// or tripping the sanitizers.
#include <random>

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

TEST(Robustness, ArbitraryBytesNeverCrashTheParsers) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomText(rng);
        if (auto j = platform::tryParseJson(s)) {
            platform::encodeSorted(*j);
            if (auto p = platform::PropertyList::fromPlainJson(*j)) platform::encodeCompact(p->toTaggedJson());
            try {
                platform::PropertyList::fromTaggedJson(*j);
            } catch (const platform::DecodingError&) {
            }
        }
        if (auto u = platform::URL::parse(s)) {
            u->host();
            u->path();
            u->port();
            u->lastPathComponent();
            u->appendingPathComponent(s).deletingLastPathComponent();
        }
        if (auto c = platform::URLComponents::parse(s)) c->string();
        platform::base64Decode(s);
        platform::percentDecode(s);
        platform::text::trimmed(s);
        platform::text::splitLines(s);
        platform::text::graphemeCount(s);
        platform::text::prefixGraphemes(s, 3);
        platform::text::lowercased(s);
        platform::text::localizedStandardCompare(s, "file10");
        platform::text::containsIgnoringCase(s, "a");
    }
}

}  // namespace
