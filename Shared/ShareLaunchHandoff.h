#pragma once
// What the Tarvo app should open next (an event, a folder, a tab on a server), left in the app
// group by the share extension, which never opens the app itself. The app is the only reader.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo {

inline constexpr const char* kShareLaunchHandoffKey = "share.launchHandoff.json";

struct ShareLaunchHandoff {
    std::int64_t schema = 1;
    std::string id;             // default: a new upper-case UUID
    double createdAtEpoch = 0;  // default: now, seconds since 1970
    std::string serverId;
    std::string serverIdentity;
    std::string urlString;  // the deep link to open
    std::string title = "Open in Tarvo";
    std::string kind = "open";
    std::string path;

    // A fresh request: new id, the current time, the defaults above.
    ShareLaunchHandoff();

    // Every key optional (absent or null takes the default); a present key of the wrong type
    // throws platform::DecodingError.
    static ShareLaunchHandoff fromJson(const platform::Json& json);
    platform::Json toJson() const;

    // Replaces the stored request with this one as compact sorted-key JSON text. A record that
    // cannot be encoded (a time that is NaN or infinite) leaves the store untouched.
    static void save(const ShareLaunchHandoff& handoff, platform::UserDefaults& defaults);

    bool operator==(const ShareLaunchHandoff&) const = default;
};

std::size_t hashValue(const ShareLaunchHandoff& handoff);

}  // namespace tarvo

template <>
struct std::hash<tarvo::ShareLaunchHandoff> {
    std::size_t operator()(const tarvo::ShareLaunchHandoff& v) const { return tarvo::hashValue(v); }
};
