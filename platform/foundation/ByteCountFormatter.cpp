#include "platform/foundation/ByteCountFormatter.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace platform {

std::string ByteCountFormatter::string(std::int64_t byteCount, CountStyle countStyle) {
    if (byteCount == 0) return "Zero KB";
    const bool negative = byteCount < 0;
    // Magnitude without overflow for the most negative count.
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(-(byteCount + 1)) + 1 : static_cast<std::uint64_t>(byteCount);
    const std::string sign = negative ? "-" : "";
    const double base = countStyle == CountStyle::file ? 1000.0 : 1024.0;
    if (static_cast<double>(magnitude) < base) {
        return sign + std::to_string(magnitude) + (magnitude == 1 ? " byte" : " bytes");
    }
    static constexpr std::array<const char*, 6> kUnits = {"KB", "MB", "GB", "TB", "PB", "EB"};
    static constexpr std::array<int, 6> kFractionDigits = {0, 1, 2, 2, 2, 2};
    std::size_t unit = 0;
    double value = static_cast<double>(magnitude) / base;
    for (;;) {
        const double scale = std::pow(10.0, kFractionDigits[unit]);
        const double rounded = std::round(value * scale) / scale;
        if (rounded < base || unit + 1 == kUnits.size()) {
            value = rounded;
            break;
        }
        value /= base;
        ++unit;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", kFractionDigits[unit], value);
    std::string number(buf);
    if (number.find('.') != std::string::npos) {
        while (number.back() == '0') number.pop_back();
        if (number.back() == '.') number.pop_back();
    }
    // Group the whole part by thousands (only the largest unit can reach four digits).
    const auto dot = number.find('.');
    std::string whole = number.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : number.substr(dot);
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(static_cast<std::size_t>(i), ",");
    return sign + whole + fraction + " " + kUnits[unit];
}

}  // namespace platform
