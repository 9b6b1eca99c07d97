#include "TarvoShareExtension/ShareViewController/Rules/UploadProgressRenderState.h"

#include <algorithm>
#include <cstdint>

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace {

constexpr std::string_view kDot = " \u00B7 ";
constexpr std::string_view kEllipsis = "\u2026";

std::string nameSuffix(const std::optional<std::string>& filename) {
    const std::string name = filename ? platform::text::trimmed(*filename) : std::string();
    if (name.empty()) return "";
    return std::string(kDot) + name;
}

using Wide = unsigned __int128;

// part × 100 / whole rounded down, for 0 <= part and 0 < whole, exactly: in binary floating
// point 29/100 is 0.28999…, which a person reading "29/100" would not expect to show as 28%.
// part × 100 need not fit even in 128 bits (an item count and a byte total of 64 bits each), so
// the hundredfold sum is taken modulo whole, counting how often it wraps.
long long wholePercent(Wide part, Wide whole) {
    if (part >= whole) return 100;
    long long percent = 0;
    Wide rest = 0;
    for (int i = 0; i < 100; ++i) {
        rest += part;  // below 2 × whole, which is far below 2^128
        if (rest >= whole) {
            rest -= whole;
            ++percent;
        }
    }
    return percent;
}

}  // namespace

UploadProgressRenderState makeUploadProgressState(long long itemIndex, long long itemCount,
                                                  const std::optional<std::string>& filename,
                                                  const std::optional<TransferProgress>& progress) {
    const long long count = std::max(itemCount, 1LL);
    double itemFraction = 0;
    if (progress && progress->totalBytes && *progress->totalBytes > 0) {
        const double r = static_cast<double>(progress->doneBytes) / static_cast<double>(*progress->totalBytes);
        itemFraction = r >= 0 ? std::min(r, 1.0) : 0;
    }
    double overall = (itemFraction + static_cast<double>(itemIndex)) / static_cast<double>(count);
    overall = std::clamp(overall, 0.0, 1.0);
    // The same overall share in whole bytes: (itemIndex × total + done) of (count × total).
    long long percent = 0;
    if (itemIndex >= count) {
        percent = 100;
    } else if (itemIndex >= 0) {
        Wide total = 1;
        Wide done = 0;
        if (progress && progress->totalBytes && *progress->totalBytes > 0) {
            total = static_cast<Wide>(*progress->totalBytes);
            done = static_cast<Wide>(std::clamp<std::int64_t>(progress->doneBytes, 0, *progress->totalBytes));
        }
        percent = wholePercent(static_cast<Wide>(itemIndex) * total + done, static_cast<Wide>(count) * total);
    }
    // An index below zero counts as the first item: the status never shows item 0 or less.
    const long long shown = itemIndex >= count ? count : std::max(itemIndex, 0LL) + 1;

    UploadProgressRenderState state;
    state.fraction = static_cast<float>(overall);
    std::string detail = "Overall " + std::to_string(percent) + "%" + std::string(kDot) + "item " +
                         std::to_string(shown) + "/" + std::to_string(count);
    if (progress) {
        if (auto filePercent = progress->percentInt()) {
            detail += std::string(kDot) + "file " + std::to_string(*filePercent) + "%";
        }
        detail += std::string(kDot) + progress->detailText();
    }
    state.detail = detail + nameSuffix(filename);
    state.status = "Uploading " + std::to_string(shown) + "/" + std::to_string(count) + std::string(kEllipsis);
    return state;
}

UploadProgressRenderState uploadCompletionState(long long completedItems, long long itemCount,
                                                const std::optional<std::string>& filename) {
    const long long count = std::max(itemCount, 1LL);
    const long long done = std::clamp(completedItems, 0LL, count);
    const double fraction = static_cast<double>(done) / static_cast<double>(count);
    const long long percent = wholePercent(static_cast<Wide>(done), static_cast<Wide>(count));
    UploadProgressRenderState state;
    state.fraction = static_cast<float>(fraction);
    state.detail = "Overall " + std::to_string(percent) + "%" + std::string(kDot) + "uploaded + verified " +
                   std::to_string(done) + "/" + std::to_string(count) + nameSuffix(filename);
    state.status = "Uploaded " + std::to_string(done) + "/" + std::to_string(count) + std::string(kEllipsis);
    return state;
}

}  // namespace tarvo::share
