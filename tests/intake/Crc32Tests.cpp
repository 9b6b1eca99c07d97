// The zip CRC-32: known values, and both fast paths against the plain bitwise definition.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TarvoShareExtension/Intake/Crc32.h"

namespace {

// The definition itself: eight shift-and-conditional-xor steps per byte.
std::uint32_t bitwiseCrc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

TEST(Crc32, KnownValues) {
    struct Case {
        std::string text;
        std::uint32_t crc;
    };
    for (const Case& c : std::vector<Case>{{"", 0},
                                           {"a", 0xE8B7BE43u},
                                           {"123456789", 0xCBF43926u},
                                           {"Hello", 0xF7D18982u},
                                           {"The quick brown fox jumps over the lazy dog", 0x414FA339u}}) {
        EXPECT_EQ(tarvo::Crc32::of(c.text.data(), c.text.size()), c.crc) << c.text;
    }
}

TEST(Crc32, FastPathsMatchTheDefinitionAtEveryLengthAndAlignment) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> buf(5000);
    for (auto& b : buf) b = static_cast<std::uint8_t>(rng());
    for (std::size_t offset = 0; offset < 4; ++offset) {
        for (std::size_t n = 0; n + offset <= buf.size(); n += (n < 300 ? 1 : 97)) {
            const std::uint32_t expected = bitwiseCrc32(buf.data() + offset, n);
            ASSERT_EQ(tarvo::crc32Update(0, buf.data() + offset, n), expected) << n << "@" << offset;
            ASSERT_EQ(tarvo::crc32UpdateTables(0, buf.data() + offset, n), expected) << n << "@" << offset;
        }
    }
}

TEST(Crc32, UpdatesInPiecesEqualOneUpdate) {
    std::vector<std::uint8_t> buf(200000);
    std::mt19937 rng(9);
    for (auto& b : buf) b = static_cast<std::uint8_t>(rng());
    const std::uint32_t whole = tarvo::Crc32::of(buf.data(), buf.size());
    tarvo::Crc32 crc;
    std::size_t at = 0;
    while (at < buf.size()) {
        std::size_t n = std::min<std::size_t>(1 + rng() % 70000, buf.size() - at);
        crc.update(buf.data() + at, n);
        at += n;
    }
    EXPECT_EQ(crc.value(), whole);
    EXPECT_EQ(tarvo::crc32Update(tarvo::crc32Update(0, buf.data(), 1000), buf.data() + 1000, buf.size() - 1000), whole);
    crc.reset();
    EXPECT_EQ(crc.value(), 0u);
}

}  // namespace
