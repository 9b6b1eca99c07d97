// Transfer progress values, their texts, and the throttle of the progress delegate.
#include <gtest/gtest.h>

#include <unordered_set>

#include "Core/TransferProgress.h"
#include "platform/foundation/ByteCountFormatter.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLSession.h"

namespace {

using platform::ByteCountFormatter;
using tarvo::TransferDirection;
using tarvo::TransferProgress;
using tarvo::URLSessionProgressDelegate;

TEST(ByteCountFormatterTest, FileStyle) {
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"},
        {1'000'000, "1 MB"},
        {1'250'000, "1.3 MB"},
        {5'242'880, "5.2 MB"},
        {3'456'789'012, "3.46 GB"},
        {2'000'000'000'000, "2 TB"},
        {std::numeric_limits<std::int64_t>::max(), "9.22 EB"},
        {-1500, "-2 KB"},
        {std::numeric_limits<std::int64_t>::min(), "-9.22 EB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(ByteCountFormatter::string(bytes, ByteCountFormatter::CountStyle::file), text) << bytes;
    }
    EXPECT_EQ(ByteCountFormatter::string(1024, ByteCountFormatter::CountStyle::memory), "1 KB");
}

TEST(TransferProgressTest, PercentAndDetailText) {
    struct Case {
        std::int64_t done;
        std::optional<std::int64_t> total;
        std::optional<int> percent;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {0, 1'000'000, 0, "Zero KB / 1 MB"},
        {5, 1000, 1, "5 bytes / 1 KB"},  // 0.5 rounds away from zero
        {4, 1000, 0, "4 bytes / 1 KB"},
        {57, 200, 29, "57 bytes / 200 bytes"},  // 28.5, though 57/200 × 100 is 28.4999… in binary
        {500, 1000, 50, "500 bytes / 1 KB"},
        {2000, 1000, 100, "2 KB / 1 KB"},
        {-5, 1000, 0, "-5 bytes / 1 KB"},
        {10, 0, std::nullopt, "10 bytes / Zero KB"},
        {10, std::nullopt, std::nullopt, "10 bytes"},
    };
    for (const auto& c : cases) {
        TransferProgress p{TransferDirection::upload, c.done, c.total};
        EXPECT_EQ(p.percentInt(), c.percent) << c.done;
        EXPECT_EQ(p.detailText(), c.detail) << c.done;
    }
}

TEST(TransferProgressTest, DirectionRawValuesEqualityAndHash) {
    EXPECT_EQ(tarvo::rawValue(TransferDirection::download), "download");
    EXPECT_EQ(tarvo::fromRawValue<TransferDirection>("upload"), TransferDirection::upload);
    EXPECT_EQ(tarvo::fromRawValue<TransferDirection>("Upload"), std::nullopt);
    const TransferProgress a{TransferDirection::upload, 5, std::nullopt};
    const TransferProgress b{TransferDirection::upload, 5, 5};
    EXPECT_NE(a, b);
    EXPECT_EQ(a, (TransferProgress{TransferDirection::upload, 5, std::nullopt}));
    std::unordered_set<TransferProgress> set{a, b, a};
    EXPECT_EQ(set.size(), 2u);
}

// A hair over 10 ms, so that rounding of the clock's doubles never decides whether five steps
// reach the 50 ms interval.
constexpr double kTenMilliseconds = 0.010 + 1e-7;

// Drives the delegate's callbacks at chosen times on a fake wall clock.
struct ThrottleHarness {
    const platform::Clock clock = platform::Clock::fixedAt(1000.0);  // a small base keeps 10 ms steps exact enough
    std::vector<TransferProgress> reports;
    std::shared_ptr<platform::URLSession> session = platform::URLSession::make();

    URLSessionProgressDelegate make(std::optional<std::int64_t> hint) {
        return URLSessionProgressDelegate(TransferDirection::upload, hint,
                                          [this](const TransferProgress& p) { reports.push_back(p); });
    }
};

TEST(URLSessionProgressDelegateTest, ReportsFirstThenAtMostEvery50msAndAlwaysTheEnd) {
    ThrottleHarness h;
    auto delegate = h.make(std::nullopt);
    // Callbacks 10 ms apart, known total 1000 reached at the 10th.
    for (int i = 1; i <= 10; ++i) {
        delegate.didSendBodyData(*h.session, 100, i * 100, 1000);
        h.clock.advance(kTenMilliseconds);
    }
    std::vector<std::int64_t> done;
    for (const auto& r : h.reports) done.push_back(r.doneBytes);
    // First at once; then when 50 ms have passed since the last report; the last because it
    // reaches the total, only 10 ms after the previous report.
    EXPECT_EQ(done, (std::vector<std::int64_t>{100, 600, 1000}));
    EXPECT_EQ(h.reports.back(), (TransferProgress{TransferDirection::upload, 1000, 1000}));
}

TEST(URLSessionProgressDelegateTest, UnknownSizeUsesTheHintOrNothingAndForcesNoEnd) {
    ThrottleHarness h;
    auto noHint = h.make(std::nullopt);
    for (int i = 1; i <= 10; ++i) {
        noHint.didSendBodyData(*h.session, 100, i * 100, -1);
        h.clock.advance(kTenMilliseconds);
    }
    ASSERT_EQ(h.reports.size(), 2u);  // 100 and 600; nothing marks the end
    EXPECT_EQ(h.reports[1], (TransferProgress{TransferDirection::upload, 600, std::nullopt}));

    h.reports.clear();
    auto hinted = h.make(700);
    hinted.didSendBodyData(*h.session, 0, 0, 0);            // done 0 is always reported
    h.clock.advance(0.001);
    hinted.didSendBodyData(*h.session, 700, 700, -1);       // reaches the hinted total
    h.clock.advance(0.001);
    hinted.didWriteData(*h.session, 5, -3, 0);              // too soon: dropped
    h.clock.advance(0.06);
    hinted.didWriteData(*h.session, 5, -3, 0);              // negative done reported as 0
    ASSERT_EQ(h.reports.size(), 3u);
    EXPECT_EQ(h.reports[0], (TransferProgress{TransferDirection::upload, 0, 700}));
    EXPECT_EQ(h.reports[1], (TransferProgress{TransferDirection::upload, 700, 700}));
    EXPECT_EQ(h.reports[2], (TransferProgress{TransferDirection::upload, 0, 700}));
}

TEST(URLSessionProgressDelegateTest, WithoutReceiverNothingHappens) {
    ThrottleHarness h;
    URLSessionProgressDelegate delegate(TransferDirection::download, 10, nullptr);
    delegate.didSendBodyData(*h.session, 10, 10, 10);
    EXPECT_EQ(delegate.lastEmit, 0);
}

}  // namespace
