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

struct DateStyleFormatter::Format {
    Style dateStyle;
    Style timeStyle;
    std::string locale;
    std::string timeZone;
    std::unique_ptr<icu::DateFormat> icu;
    bool made = false;
};

DateStyleFormatter::DateStyleFormatter(Style dateStyle, Style timeStyle, std::string locale, std::string timeZone)
    : format_(std::make_shared<Format>(Format{dateStyle, timeStyle, std::move(locale), std::move(timeZone), nullptr, false})) {}

std::string DateStyleFormatter::string(double secondsSince1970) const {
    if (!std::isfinite(secondsSince1970)) return {};
    Format& f = *format_;
    if (!f.made) {
        f.made = true;
        const icu::Locale locale = f.locale.empty() ? icu::Locale::getDefault() : icu::Locale::createFromName(f.locale.c_str());
        f.icu.reset(icu::DateFormat::createDateTimeInstance(icuStyle(f.dateStyle), icuStyle(f.timeStyle), locale));
        if (f.icu && !f.timeZone.empty()) {
            f.icu->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(f.timeZone)));
        }
    }
    if (!f.icu) return {};
    icu::UnicodeString out;
    f.icu->format(secondsSince1970 * 1000.0, out);
    std::string utf8;
    out.toUTF8String(utf8);
    return utf8;
}

}  // namespace platform
