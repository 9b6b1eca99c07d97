#include "platform/foundation/DateFormatter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace platform {
namespace {

// Days between 1970-01-01 and the given civil date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return Civil{static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

bool isLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(std::int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// Reads exactly n ASCII digits at pos.
bool digits(std::string_view s, std::size_t pos, std::size_t n, unsigned& out) {
    if (pos + n > s.size()) return false;
    unsigned v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        const char c = s[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    out = v;
    return true;
}

// About thirty million years either way: far beyond any real date, well inside int64.
constexpr double kLimitSeconds = 1e15;

}  // namespace

std::optional<double> DateFormatter::parseISO8601(std::string_view s) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(s, 0, 4, year) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, month) ||
        s[7] != '-' || !digits(s, 8, 2, day) || s[10] != 'T' || !digits(s, 11, 2, hour) ||
        s[13] != ':' || !digits(s, 14, 2, minute) || s[16] != ':' || !digits(s, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    const std::string_view zone = s.substr(19);
    std::int64_t offset = 0;
    if (zone == "Z") {
        offset = 0;
    } else if (zone.size() == 6 || zone.size() == 5) {
        if (zone[0] != '+' && zone[0] != '-') return std::nullopt;
        unsigned oh = 0, om = 0;
        const bool colon = zone.size() == 6;
        if (!digits(zone, 1, 2, oh) || (colon && zone[3] != ':') ||
            !digits(zone, colon ? 4 : 3, 2, om) || oh > 23 || om > 59) {
            return std::nullopt;
        }
        offset = (static_cast<std::int64_t>(oh) * 60 + om) * 60;
        if (zone[0] == '-') offset = -offset;
    } else {
        return std::nullopt;
    }
    const std::int64_t local = daysFromCivil(year, month, day) * 86400 +
                               static_cast<std::int64_t>(hour) * 3600 + minute * 60 + second;
    return static_cast<double>(local - offset);
}

std::string DateFormatter::formatISO8601(double secondsSince1970) {
    if (!std::isfinite(secondsSince1970)) {
        throw std::domain_error("date is not a finite number of seconds");
    }
    const double whole = std::floor(secondsSince1970);
    if (whole < -kLimitSeconds || whole > kLimitSeconds) {
        throw std::domain_error("date lies too far from the present to be written");
    }
    const auto t = static_cast<std::int64_t>(whole);
    std::int64_t days = t / 86400;
    std::int64_t rem = t % 86400;
    if (rem < 0) {
        rem += 86400;
        days -= 1;
    }
    const Civil c = civilFromDays(days);
    // Years outside 0000...9999 (reachable by an offset at either end of the range) are
    // written with a sign or with more digits, as ISO 8601's expanded form does.
    char buf[48];
    const char* sign = c.year < 0 ? "-" : "";
    std::snprintf(buf, sizeof buf, "%s%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", sign,
                  static_cast<long long>(c.year < 0 ? -c.year : c.year), c.month, c.day,
                  static_cast<long long>(rem / 3600), static_cast<long long>(rem / 60 % 60),
                  static_cast<long long>(rem % 60));
    return buf;
}

}  // namespace platform
