#pragma once
// The contract the share extension states with a run it starts on a server: expected
// lifetime, readiness rule, which lifecycle events notify the user and where those
// notifications are relayed. Stored inside share drafts (camelCase JSON) and sent in job
// submissions and run policies (snake_case dictionaries).
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/RawValue.h"
#include "platform/foundation/Json.h"

namespace tarvo {

// ---- Lifecycle events of a run.
enum class ShareRunNotificationEvent {
    accepted,
    ready,
    waitingForInput,
    succeeded,
    degraded,
    failed,
    stoppedUnexpectedly,
    cancelled,
    lost,
};
std::string_view rawValue(ShareRunNotificationEvent event);
template <>
std::optional<ShareRunNotificationEvent> fromRawValue<ShareRunNotificationEvent>(std::string_view raw);
template <>
struct EnumCases<ShareRunNotificationEvent> {
    using E = ShareRunNotificationEvent;
    static constexpr std::array<E, 9> allCases{E::accepted,  E::ready,  E::waitingForInput,
                                               E::succeeded, E::degraded, E::failed,
                                               E::stoppedUnexpectedly, E::cancelled, E::lost};
};
// The event's name on screen ("Started", "Needs input", ...).
std::string_view displayTitle(ShareRunNotificationEvent event);

// ---- How long a started run is expected to live.
enum class ShareExpectedLifetime { finite, persistent };
std::string_view rawValue(ShareExpectedLifetime lifetime);
template <>
std::optional<ShareExpectedLifetime> fromRawValue<ShareExpectedLifetime>(std::string_view raw);
template <>
struct EnumCases<ShareExpectedLifetime> {
    static constexpr std::array<ShareExpectedLifetime, 2> allCases{ShareExpectedLifetime::finite,
                                                                   ShareExpectedLifetime::persistent};
};

// ---- Which lifecycle events notify the user.
struct ShareRunNotificationPolicy {
    std::set<ShareRunNotificationEvent> events;

    // "Off", one of two fixed phrases, or the titles ordered by raw value joined with ", ".
    std::string summary() const;
    static ShareRunNotificationPolicy defaults(ShareExpectedLifetime lifetime);

    // {"events": [raw values]}; "events" required, an unknown value fails. Throws
    // platform::DecodingError.
    static ShareRunNotificationPolicy fromJson(const platform::Json& json);
    platform::Json toJson() const;

    bool operator==(const ShareRunNotificationPolicy&) const = default;
};

// ---- How the server decides that a run is ready.
struct ShareReadinessRule {
    enum class Kind { none, survived, logContains, httpResponds };

    Kind kind = Kind::none;
    std::int64_t seconds = 0;          // survived: how long the run must stay alive
    std::string pattern;               // logContains: text that must appear in the run log
    std::string url;                   // httpResponds: address to probe
    std::int64_t expectedStatus = 0;   // httpResponds: status to expect

    std::string title() const;
    // The wire form: "kind" plus only the keys that kind uses, snake_case.
    platform::Json dictionary() const;

    // The stored form: all five keys, camelCase, all required. Throws platform::DecodingError.
    static ShareReadinessRule fromJson(const platform::Json& json);
    platform::Json toJson() const;

    bool operator==(const ShareReadinessRule&) const = default;
};
std::string_view rawValue(ShareReadinessRule::Kind kind);
template <>
std::optional<ShareReadinessRule::Kind> fromRawValue<ShareReadinessRule::Kind>(std::string_view raw);
template <>
struct EnumCases<ShareReadinessRule::Kind> {
    using K = ShareReadinessRule::Kind;
    static constexpr std::array<K, 4> allCases{K::none, K::survived, K::logContains, K::httpResponds};
};

// ---- Where run notifications are relayed, and for which device and server.
//
// The relay used when neither the server profile nor the app group names one is, in order:
// the bundle info dictionary's "TARVO_DEFAULT_RUN_PUSH_RELAY_URL" when that is non-blank text
// (trimmed), else kBuiltInRunPushRelayURL.
inline constexpr std::string_view kBuiltInRunPushRelayURL = "http://127.0.0.1:8787";
inline constexpr std::string_view kDefaultRunPushRelayInfoKey = "TARVO_DEFAULT_RUN_PUSH_RELAY_URL";

struct ShareRunNotificationDelivery {
    enum class Component { relayURL, deviceID, authToken };

    // Everything a delivery is built from: the chosen server's values and the app group's.
    struct Sources {
        std::string serverURL{};  // accepted for the callers' convenience; not used
        std::string serverToken{};
        std::string serverRelayURL{};
        std::string serverDeviceID{};
        std::string sharedRelayURL{};
        std::string sharedRelayAuthToken{};
        std::string sharedDeviceID{};
        std::string serverIdentity{};
        std::string serverLabel{};
    };

    std::string relayURL;
    std::string deviceID;
    std::string authToken;
    std::string serverIdentity;
    std::string serverLabel;

    ShareRunNotificationDelivery() = default;
    // The server's relay and device win over the app group's; the app group's relay token
    // wins over the server's API token; the relay falls back to defaultRelayURL().
    explicit ShareRunNotificationDelivery(const Sources& sources);

    // relayURL, deviceID, authToken: those that are empty, in that order.
    std::vector<Component> missingComponents() const;
    // The non-empty fields under their wire keys: the "notify" part of a run policy.
    std::map<std::string, std::string> fields() const;

    // The first value that is not blank, trimmed; "" when there is none.
    static std::string firstNonempty(const std::vector<std::string>& values);
    // The relay of last resort (see above); never empty.
    static std::string defaultRelayURL();

    bool operator==(const ShareRunNotificationDelivery&) const = default;
};
// The component's words for "missing ..." texts: "relay URL", "device ID", "relay auth token".
std::string_view rawValue(ShareRunNotificationDelivery::Component component);
template <>
std::optional<ShareRunNotificationDelivery::Component>
fromRawValue<ShareRunNotificationDelivery::Component>(std::string_view raw);
template <>
struct EnumCases<ShareRunNotificationDelivery::Component> {
    using C = ShareRunNotificationDelivery::Component;
    static constexpr std::array<C, 3> allCases{C::relayURL, C::deviceID, C::authToken};
};

std::size_t hashValue(const ShareRunNotificationPolicy& policy);
std::size_t hashValue(const ShareReadinessRule& rule);
std::size_t hashValue(const ShareRunNotificationDelivery& delivery);

}  // namespace tarvo

template <>
struct std::hash<tarvo::ShareRunNotificationPolicy> {
    std::size_t operator()(const tarvo::ShareRunNotificationPolicy& v) const { return tarvo::hashValue(v); }
};
template <>
struct std::hash<tarvo::ShareReadinessRule> {
    std::size_t operator()(const tarvo::ShareReadinessRule& v) const { return tarvo::hashValue(v); }
};
template <>
struct std::hash<tarvo::ShareRunNotificationDelivery> {
    std::size_t operator()(const tarvo::ShareRunNotificationDelivery& v) const { return tarvo::hashValue(v); }
};
