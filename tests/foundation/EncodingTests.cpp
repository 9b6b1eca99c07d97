#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/crypto/Sha256.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Uuid.h"

namespace {

TEST(Base64, Rfc4648Vectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
        {std::string("\xFF\xFE\x00\x01", 4), "//4AAQ=="},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(platform::base64Encode(plain), encoded);
        auto decoded = platform::base64Decode(encoded);
        ASSERT_TRUE(decoded) << encoded;
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), plain);
    }
}

TEST(Base64, RefusesMalformedText) {
    for (const char* bad : {"Zg", "Zg=", "Z===", "Zm9v!", "Zg==Zg==", "Zm=v", "Zm9v\n", "=Zm9"})
        EXPECT_FALSE(platform::base64Decode(bad)) << bad;
}

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(platform::SHA256::hexDigest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(platform::SHA256::hexDigest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    platform::SHA256 h;
    const std::string million(1000000, 'a');
    for (std::size_t i = 0; i < million.size(); i += 4096) h.update(std::string_view(million).substr(i, 4096));
    EXPECT_EQ(h.finalizeHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // The object starts over after finalising.
    h.update("abc");
    EXPECT_EQ(h.finalizeHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Uuid, UpperCaseVersion4AndUnique) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        std::string u = platform::makeUUIDString();
        ASSERT_TRUE(platform::isUUIDString(u)) << u;
        EXPECT_EQ(u[14], '4');
        EXPECT_NE(std::string("89AB").find(u[19]), std::string::npos) << u;
        for (char c : u) EXPECT_FALSE(c >= 'a' && c <= 'z') << u;
        EXPECT_TRUE(seen.insert(u).second);
    }
    EXPECT_TRUE(platform::isUUIDString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
    for (const char* bad : {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
                            "G621E1F8-C36C-495A-93FC-0C247A3E6E5F", "E621E1F8-C36C-495A-93FC_0C247A3E6E5F"})
        EXPECT_FALSE(platform::isUUIDString(bad)) << bad;
}

TEST(Clock, AFixedClockFixesTheOneClockWhileItLives) {
    const double real = platform::nowEpochSeconds();
    EXPECT_GT(real, 1.6e9);
    EXPECT_FALSE(platform::Clock::real().isFixed());
    EXPECT_THROW(platform::Clock::real().advance(1), std::logic_error);
    {
        const auto clock = platform::Clock::fixedAt(1000.5);
        EXPECT_TRUE(clock.isFixed());
        EXPECT_EQ(platform::nowEpochSeconds(), 1000.5);
        clock.advance(2.25);
        EXPECT_EQ(platform::nowEpochSeconds(), 1002.75);
        EXPECT_EQ(platform::Clock::real().now(), 1002.75);  // one clock, whoever reads it
        clock.set(5);
        double seenOnOtherThread = 0;
        std::thread([&] { seenOnOtherThread = platform::nowEpochSeconds(); }).join();
        EXPECT_EQ(seenOnOtherThread, 5);
        {
            // Fixed again inside: the inner time wins, and the outer one comes back after it.
            const auto inner = platform::Clock::fixedAt(9);
            EXPECT_EQ(platform::nowEpochSeconds(), 9);
            const auto copy = inner;  // copies share the fixed time and keep it alive
            copy.advance(1);
            EXPECT_EQ(inner.now(), 10);
        }
        EXPECT_EQ(platform::nowEpochSeconds(), 5);
    }
    EXPECT_GE(platform::nowEpochSeconds(), real);
}

// Another thread may be reading the clock (a network callback, a timer) at the moment a fixed
// clock goes away; that read must see the fixed or the real time, never freed memory.
TEST(Clock, AFixedClockCanEndWhileAnotherThreadReadsIt) {
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!stop) {
            const double t = platform::nowEpochSeconds();
            if (t == 7 || t > 1.6e9) ++reads;
        }
    });
    // Keep fixing the clock and letting it go while the reader runs: in a fast build 3,000 of
    // them can be over before the reader thread has even started.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; (i < 3000 || reads.load() < 1000) && std::chrono::steady_clock::now() < deadline; ++i)
        const auto clock = platform::Clock::fixedAt(7);
    stop = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
}

TEST(ErrorInfo, DescribesEachKindOfError) {
    platform::NSError ns(platform::kURLErrorDomain, -1001, "The request timed out.");
    EXPECT_EQ(ns.code(), -1001);
    EXPECT_EQ(platform::describeError(ns), "The request timed out.");
    struct Failure : platform::LocalizedError {
        Failure() : LocalizedError("Fixed text") {}
    };
    EXPECT_EQ(platform::describeError(Failure()), "Fixed text");
    EXPECT_EQ(platform::describeError(std::runtime_error("plain")), "plain");
}

}  // namespace
