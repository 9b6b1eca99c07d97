#include "platform/foundation/DateStyleFormatter.h"

#include <cmath>
#include <memory>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace platform {

namespace {

icu::DateFormat::EStyle icuStyle(DateStyleFormatter::Style s) {
    switch (s) {
        case DateStyleFormatter::Style::none: return icu::DateFormat::kNone;
        case DateStyleFormatter::Style::shortStyle: return icu::DateFormat::kShort;
        case DateStyleFormatter::Style::medium: return icu::DateFormat::kMedium;
        case DateStyleFormatter::Style::longStyle: return icu::DateFormat::kLong;
        case DateStyleFormatter::Style::full: return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

}  // namespace

DateStyleFormatter::DateStyleFormatter(Style dateStyle, Style timeStyle, std::string locale, std::string timeZone)
    : dateStyle_(dateStyle), timeStyle_(timeStyle), locale_(std::move(locale)), timeZone_(std::move(timeZone)) {}

std::string DateStyleFormatter::string(double secondsSince1970) const {
    if (!std::isfinite(secondsSince1970)) return {};
    const icu::Locale locale = locale_.empty() ? icu::Locale::getDefault() : icu::Locale::createFromName(locale_.c_str());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle_), icuStyle(timeStyle_), locale));
    if (!format) return {};
    if (!timeZone_.empty()) {
        format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone_)));
    }
    icu::UnicodeString out;
    format->format(secondsSince1970 * 1000.0, out);
    std::string utf8;
    out.toUTF8String(utf8);
    return utf8;
}

}  // namespace platform
