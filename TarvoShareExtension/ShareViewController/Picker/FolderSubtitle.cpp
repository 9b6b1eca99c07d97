#include "TarvoShareExtension/ShareViewController/Picker/FolderSubtitle.h"

#include <cmath>
#include <cstdint>

#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"

namespace tarvo::share {

std::string relativeAge(double from, double to, const FolderDateWriter& writeDate) {
    const double difference = std::trunc(to - from);
    // Anything beyond a few hundred years is the date anyway; the clamp keeps the cast defined.
    const std::int64_t s = !std::isfinite(difference) ? (difference > 0 ? INT64_MAX : INT64_MIN)
                           : difference > 9.0e18     ? INT64_MAX
                           : difference < -9.0e18    ? INT64_MIN
                                                     : static_cast<std::int64_t>(difference);
    if (s < 60) return "just now";
    if (s < 3600) return std::to_string(s / 60) + "m ago";
    if (s < 172800) return std::to_string(s / 3600) + "h ago";
    if (s <= 2591999) return std::to_string(s / 86400) + "d ago";
    return writeDate ? writeDate(from) : std::string();
}

double folderModificationSeconds(std::int64_t mtime) {
    const double value = static_cast<double>(mtime);
    return mtime > 2'000'000'000'000 ? value / 1000.0 : value;
}

std::string folderSubtitle(std::string_view path, const Entry& entry, double now, const FolderDateWriter& writeDate) {
    std::string out = displayedFolderPath(path);
    if (entry.mtime >= 1) {
        out += " \u00B7 modified " + relativeAge(folderModificationSeconds(entry.mtime), now, writeDate);
    }
    return out;
}

}  // namespace tarvo::share
