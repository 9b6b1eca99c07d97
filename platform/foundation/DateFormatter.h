#pragma once
// Dates as the platform's JSON coders exchange them: an internet date-time to the second with
// a zone designator, "2025-01-31T09:30:00Z" or "2025-01-31T11:30:00+02:00". Dates are seconds
// since 1970 in a double, as the clock gives them.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class DateFormatter {
public:
    // Strict: four-digit year, "-", month, "-", day, "T", hour ":" minute ":" second, then "Z"
    // or a numeric offset "+HH:MM" / "+HHMM" (or "-"). Fractional seconds, bare numbers, a
    // missing zone, lower-case designators and out-of-range fields (February 30, hour 24,
    // second 60) give nullopt.
    static std::optional<double> parseISO8601(std::string_view text);

    // The UTC form with "Z", to the second (a fraction is dropped, rounding towards the past).
    // Years outside 0000...9999 get a sign or a fifth digit. Throws std::domain_error for a
    // value that is not finite or lies millions of years away.
    static std::string formatISO8601(double secondsSince1970);
};

}  // namespace platform
