#include "platform/foundation/DateFormatter.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(DateFormatterTest, ParsesInternetDateTimesWithZoneDesignator) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2025-01-31T09:30:00Z", 1738315800},
        {"2025-01-31T11:30:00+02:00", 1738315800},
        {"2025-01-31T04:00:00-05:30", 1738315800},
        {"2025-01-31T11:30:00+0200", 1738315800},
        {"2024-02-29T23:59:59Z", 1709251199},       // leap day
        {"2000-02-29T00:00:00Z", 951782400},        // divisible by 400
        {"1969-12-31T23:59:59Z", -1},               // before 1970
        {"0001-01-01T00:00:00Z", -62135596800},
        {"9999-12-31T23:59:59Z", 253402300799},
    };
    for (const auto& c : cases) {
        auto t = DateFormatter::parseISO8601(c.text);
        ASSERT_TRUE(t.has_value()) << c.text;
        EXPECT_EQ(*t, c.expected) << c.text;
    }
}

TEST(DateFormatterTest, RefusesEverythingElse) {
    const char* refused[] = {
        "",
        "2025-01-31T09:30:00.250Z",  // fractional seconds
        "2025-01-31T09:30:00,5Z",
        "1738315800",                // a number
        "2025-01-31T09:30:00",       // no zone
        "2025-01-31 09:30:00Z",      // space instead of T
        "2025-01-31t09:30:00Z",
        "2025-01-31T09:30:00z",
        "2025-01-31T09:30Z",         // no seconds
        "2025-01-31",
        "25-01-31T09:30:00Z",
        "+2025-01-31T09:30:00Z",
        "2025-1-31T09:30:00Z",
        "2025-02-29T00:00:00Z",      // not a leap year
        "1900-02-29T00:00:00Z",
        "2025-13-01T00:00:00Z",
        "2025-00-10T00:00:00Z",
        "2025-04-31T00:00:00Z",
        "2025-01-00T00:00:00Z",
        "2025-01-31T24:00:00Z",
        "2025-01-31T09:60:00Z",
        "2025-01-31T09:30:60Z",      // leap second
        "2025-01-31T09:30:00+2",
        "2025-01-31T09:30:00+02:0",
        "2025-01-31T09:30:00+02:60",
        "2025-01-31T09:30:00+24:00",
        "2025-01-31T09:30:00 +02:00",
        "2025-01-31T09:30:00Z ",
        " 2025-01-31T09:30:00Z",
        "2025-01-31T09:30:00ZZ",
        "２０２５-01-31T09:30:00Z",     // full-width digits
    };
    for (const char* text : refused) {
        EXPECT_FALSE(DateFormatter::parseISO8601(text).has_value()) << text;
    }
    // Embedded NUL: only the whole text counts.
    EXPECT_FALSE(DateFormatter::parseISO8601(std::string_view("2025-01-31T09:30:00Z\0", 21)));
}

TEST(DateFormatterTest, FormatsInUtcToTheSecondAndRoundTrips) {
    EXPECT_EQ(DateFormatter::formatISO8601(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(DateFormatter::formatISO8601(1738315800.999), "2025-01-31T09:30:00Z");
    EXPECT_EQ(DateFormatter::formatISO8601(-0.5), "1969-12-31T23:59:59Z");
    EXPECT_EQ(DateFormatter::formatISO8601(951782400), "2000-02-29T00:00:00Z");
    for (double t : {-62135596800.0, -1.0, 0.0, 1709251199.0, 1738315800.0, 253402300799.0}) {
        auto text = DateFormatter::formatISO8601(t);
        EXPECT_EQ(DateFormatter::parseISO8601(text), t) << text;
    }
}

TEST(DateFormatterTest, YearsBeyondFourDigitsAreWrittenNotRefused) {
    // Reachable from valid text: the first and last seconds shifted by an offset.
    const double early = *DateFormatter::parseISO8601("0000-01-01T00:00:00+01:00");
    const double late = *DateFormatter::parseISO8601("9999-12-31T23:59:59-01:00");
    EXPECT_EQ(DateFormatter::formatISO8601(early), "-0001-12-31T23:00:00Z");
    EXPECT_EQ(DateFormatter::formatISO8601(late), "10000-01-01T00:59:59Z");

    EXPECT_THROW(DateFormatter::formatISO8601(std::numeric_limits<double>::quiet_NaN()),
                 std::domain_error);
    EXPECT_THROW(DateFormatter::formatISO8601(std::numeric_limits<double>::infinity()),
                 std::domain_error);
    EXPECT_THROW(DateFormatter::formatISO8601(1e300), std::domain_error);
}

}  // namespace
}  // namespace platform
