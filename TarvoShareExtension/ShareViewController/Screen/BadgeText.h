#pragma once
// The texts and symbols of the share screen's badges: the success count badge of a server's
// recipe and the compact success count of a shell-script candidate.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::share {

// "Succeeded here once" / "Succeeded here 3 times", with " with exact evidence" when exact.
std::string successBadgeAccessibilityLabel(std::int64_t count, bool exact);
// The seal for exact evidence, else the circle.
std::string successBadgeSymbolName(bool exact);

// The count of earlier successes an evidence list reports, as digits and "×": only the first
// line that mentions success (case-insensitively) is read, and only its first count written as
// digits followed by an "x" or "×". Nothing when there is no such line or count.
std::optional<std::string> compactSuccessBadge(const std::vector<std::string>& evidence);

}  // namespace tarvo::share
