#pragma once
// Which sound a push plays: the user's sound map and default token from the app group, the
// push's own sound key and standard sound name, and the sound files the program carries.
// Nothing here fails: every missing or unreadable input falls back to a default.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/usernotifications/UNNotificationSound.h"

namespace tarvo {

struct PushSoundPolicy {
    // A null store reads as a store without settings.
    using Store = const platform::UserDefaults*;

    // The stored map when it is a JSON object with at least one usable member, else the
    // built-in one; never empty.
    static std::map<std::string, std::string> soundMap(Store store);
    // "default", "none", a sound file name, or nullopt for no token ("", "null").
    static std::optional<std::string> normalizeToken(const std::optional<std::string>& raw);
    // The stored default token, trimmed, or "default"; not normalised.
    static std::string defaultToken(Store store);
    // The first source that yields a token: the map's entry for the sound key, the explicit
    // token, the map's entry for the kind, then the default token.
    static std::optional<std::string> resolveToken(const std::optional<std::string>& explicitToken,
                                                   const std::optional<std::string>& soundKey,
                                                   const std::optional<std::string>& fallbackKind,
                                                   Store store);
    // True when the bundle's resource folder holds exactly that file. Only a bare file name
    // can name one: anything with "/", "\", NUL, or that is "." or "..", names nothing.
    static bool bundleHasResource(std::string_view fileName, const platform::Bundle& bundle);
    // The sound for a token; nullopt means silence.
    static std::optional<platform::UNNotificationSound> notificationSound(
        const std::optional<std::string>& tokenRaw, const platform::Bundle& bundle);
};

}  // namespace tarvo
