#include "TarvoShareExtension/ShareViewController/Screen/BadgeText.h"

#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

std::string successBadgeAccessibilityLabel(std::int64_t count, bool exact) {
    std::string label = "Succeeded here ";
    label += count == 1 ? std::string("once") : std::to_string(count) + " times";
    if (exact) label += " with exact evidence";
    return label;
}

std::string successBadgeSymbolName(bool exact) { return exact ? "checkmark.seal.fill" : "checkmark.circle.fill"; }

std::optional<std::string> compactSuccessBadge(const std::vector<std::string>& evidence) {
    // Each match is one run of digits with the blanks and the mark that follow it (both
    // optional), so the search never backtracks over a long run of digits: the first run that
    // is followed by a mark is the first count "\d+\s*[x×]" would find.
    static const platform::RegularExpression runs("(\\d+)\\s*([x\u00d7]?)");
    for (const auto& line : evidence) {
        if (!platform::text::containsIgnoringCase(line, "succeed")) continue;
        try {
            for (const auto& match : runs.matches(line)) {
                if (match.group(2).value_or("").empty()) continue;
                return match.group(1).value_or("") + "\u00d7";
            }
        } catch (const platform::RegexError&) {
            // A line beyond the engine's limits shows no count.
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace tarvo::share
