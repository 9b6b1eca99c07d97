#pragma once
// The second line of a folder row: where the folder is and how long ago it changed
// ("/projects/web · modified 5m ago").
#include <functional>
#include <string>
#include <string_view>

#include "TarvoShareExtension/Remote/DirListResponse.h"

namespace tarvo::share {

// Writes a point in time (seconds since 1970) as the platform's date formatter does in the
// medium date style and the short time style.
using FolderDateWriter = std::function<std::string(double)>;

// The age of `from` at `to` (seconds since 1970): "just now" under a minute (and for times in
// the future), then "Nm ago", "Nh ago" under 48 hours, "Nd ago" under 30 days, all truncated;
// older ones are the date itself, written by writeDate.
std::string relativeAge(double from, double to, const FolderDateWriter& writeDate);

// The seconds since 1970 that an mtime stands for: servers send seconds, or milliseconds when
// the number is larger than 2,000,000,000,000.
double folderModificationSeconds(std::int64_t mtime);

// "/" + path, then, when mtime is 1 or more, " · modified " and the age at `now`.
std::string folderSubtitle(std::string_view path, const Entry& entry, double now, const FolderDateWriter& writeDate);

}  // namespace tarvo::share
