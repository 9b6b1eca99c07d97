#pragma once
// Dates written for people, as the platform's date formatter writes them with a date style and
// a time style: in a locale and a time zone (by default the user's, from the environment).
#include <string>

namespace platform {

class DateStyleFormatter {
public:
    enum class Style { none, shortStyle, medium, longStyle, full };

    // locale: an ICU/POSIX locale id ("en_US", "de_DE"); empty for the user's. timeZone: an
    // Olson id ("UTC", "Europe/Berlin"); empty for the user's.
    DateStyleFormatter(Style dateStyle, Style timeStyle, std::string locale = {}, std::string timeZone = {});

    // "Jan 31, 2025 at 9:30 AM" for medium/short in en_US (the exact words are the locale's).
    std::string string(double secondsSince1970) const;

private:
    Style dateStyle_;
    Style timeStyle_;
    std::string locale_;
    std::string timeZone_;
};

}  // namespace platform
