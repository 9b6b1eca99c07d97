#include "Core/PushSoundPolicy.h"

#include <charconv>
#include <exception>

#include "Core/PushSoundConfig.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace {

using platform::text::lowercased;
using platform::text::trimmed;

// A settings read never stops a push: an unreadable store counts as an empty one.
std::string readText(PushSoundPolicy::Store store, const char* key) {
    if (!store) return {};
    try {
        return store->string(key).value_or(std::string());
    } catch (const std::exception&) {
        return {};
    }
}

// The text the platform gives for a decoded JSON value: a text as itself, numbers as their
// digits, booleans as 1 or 0 (they decode as numbers).
std::string describeJsonValue(const platform::Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_number_integer() && value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
    if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
    if (value.is_number_float()) {
        char buf[64];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value.get<double>());
        return ec == std::errc() ? std::string(buf, end) : std::string();
    }
    if (value.is_null()) return "<null>";
    return platform::encodeCompact(value);
}

std::optional<std::string> mappedToken(const std::map<std::string, std::string>& map,
                                       const std::optional<std::string>& key) {
    if (!key) return std::nullopt;
    const std::string k = trimmed(*key);
    if (k.empty()) return std::nullopt;
    auto it = map.find(k);
    if (it == map.end()) return std::nullopt;
    return PushSoundPolicy::normalizeToken(it->second);
}

// Only a plain name inside the resource folder: never a path, never the folder or its parent.
bool isBareFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

std::map<std::string, std::string> PushSoundPolicy::soundMap(Store store) {
    const std::string raw = trimmed(readText(store, kPushSoundMapJSONKey));
    if (raw.empty()) return PushSoundDefaults::defaultSoundMap();
    auto parsed = platform::tryParseJson(raw);
    if (!parsed || !parsed->is_object()) return PushSoundDefaults::defaultSoundMap();
    std::map<std::string, std::string> map;
    for (auto it = parsed->begin(); it != parsed->end(); ++it) {
        std::string key = trimmed(it.key());
        std::string value = trimmed(describeJsonValue(it.value()));
        if (!key.empty() && !value.empty()) map[std::move(key)] = std::move(value);
    }
    if (map.empty()) return PushSoundDefaults::defaultSoundMap();
    return map;
}

std::optional<std::string> PushSoundPolicy::normalizeToken(const std::optional<std::string>& raw) {
    if (!raw) return std::nullopt;
    std::string token = trimmed(*raw);
    if (token.empty()) return std::nullopt;
    const std::string lower = lowercased(token);
    if (lower == "null") return std::nullopt;
    if (lower == "none" || lower == "silent" || lower == "off" || lower == "0" || lower == "false") return "none";
    if (lower == "default") return "default";
    return token;
}

std::string PushSoundPolicy::defaultToken(Store store) {
    std::string token = trimmed(readText(store, kPushSoundDefaultKey));
    return token.empty() ? std::string("default") : token;
}

std::optional<std::string> PushSoundPolicy::resolveToken(const std::optional<std::string>& explicitToken,
                                                         const std::optional<std::string>& soundKey,
                                                         const std::optional<std::string>& fallbackKind,
                                                         Store store) {
    const auto map = soundMap(store);
    if (auto token = mappedToken(map, soundKey)) return token;
    if (auto token = normalizeToken(explicitToken)) return token;
    if (auto token = mappedToken(map, fallbackKind)) return token;
    return normalizeToken(defaultToken(store));
}

bool PushSoundPolicy::bundleHasResource(std::string_view fileName, const platform::Bundle& bundle) {
    const std::string name = trimmed(fileName);
    if (!isBareFileName(name)) return false;
    try {
        const auto dot = name.rfind('.');
        if (dot == std::string::npos) return bundle.pathForResource(name, "").has_value();
        // Split at the last dot; a name that starts or ends with it could only be matched
        // inexactly (any file of that type, or the name without its dot), so it names nothing.
        const std::string_view base = std::string_view(name).substr(0, dot);
        const std::string_view ext = std::string_view(name).substr(dot + 1);
        if (base.empty() || ext.empty()) return false;
        return bundle.pathForResource(base, ext).has_value();
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<platform::UNNotificationSound> PushSoundPolicy::notificationSound(
    const std::optional<std::string>& tokenRaw, const platform::Bundle& bundle) {
    const std::string token = normalizeToken(tokenRaw).value_or("default");
    const std::string lower = lowercased(token);
    if (lower == "default") return platform::UNNotificationSound::defaultSound();
    if (lower == "none") return std::nullopt;
    if (bundleHasResource(token, bundle)) return platform::UNNotificationSound::soundNamed(token);
    return platform::UNNotificationSound::defaultSound();
}

}  // namespace tarvo
