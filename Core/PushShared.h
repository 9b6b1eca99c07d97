#pragma once
// The app group's defaults, shared by the share and notification programs.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/UserDefaults.h"

namespace tarvo {

struct PushShared {
    // "APP_GROUP_ID" of the bundle's info dictionary when it is text, trimmed; else "".
    static std::string suiteName();
    // The suite named by suiteName() when that is not empty and opens; else the standard store.
    // Each call opens a new store object.
    static std::shared_ptr<platform::UserDefaults> defaults();
    // Copies the given keys once from the standard store into the app-group suite.
    static void _migrateFromStandardIfNeeded(const std::vector<std::string>& keys,
                                             std::string_view markerPrefix);
    // The same copy between stores the caller opened: from standard into suite, the app-group
    // suite named suiteName (nothing happens without a name or a suite).
    static void _migrateFromStandardIfNeeded(const std::vector<std::string>& keys, std::string_view markerPrefix,
                                             std::string_view suiteName, platform::UserDefaults* suite,
                                             platform::UserDefaults& standard);
};

struct SharedDefaultsKeys {
    static const std::vector<std::string>& appConfig();
};

}  // namespace tarvo
