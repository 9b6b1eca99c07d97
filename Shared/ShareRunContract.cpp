#include "Shared/ShareRunContract.h"

#include <algorithm>
#include <utility>

#include "Shared/HashCombine.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace pj = platform::json;
using platform::DecodingError;
using platform::Json;
using platform::text::trimmed;

namespace {

template <class E>
std::optional<E> caseWithRawValue(std::string_view raw) {
    for (E e : allCases<E>()) {
        if (rawValue(e) == raw) return e;
    }
    return std::nullopt;
}

template <class E>
E requireCase(const Json& obj, std::string_view key) {
    std::string raw = pj::requireString(obj, key);
    if (auto e = fromRawValue<E>(raw)) return *e;
    throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(key));
}

}  // namespace

// ---- ShareRunNotificationEvent

std::string_view rawValue(ShareRunNotificationEvent event) {
    switch (event) {
        case ShareRunNotificationEvent::accepted: return "accepted";
        case ShareRunNotificationEvent::ready: return "ready";
        case ShareRunNotificationEvent::waitingForInput: return "waiting_for_input";
        case ShareRunNotificationEvent::succeeded: return "succeeded";
        case ShareRunNotificationEvent::degraded: return "degraded";
        case ShareRunNotificationEvent::failed: return "failed";
        case ShareRunNotificationEvent::stoppedUnexpectedly: return "stopped_unexpectedly";
        case ShareRunNotificationEvent::cancelled: return "cancelled";
        case ShareRunNotificationEvent::lost: return "lost";
    }
    return "";
}

template <>
std::optional<ShareRunNotificationEvent> fromRawValue<ShareRunNotificationEvent>(std::string_view raw) {
    return caseWithRawValue<ShareRunNotificationEvent>(raw);
}

std::string_view displayTitle(ShareRunNotificationEvent event) {
    switch (event) {
        case ShareRunNotificationEvent::accepted: return "Started";
        case ShareRunNotificationEvent::ready: return "Ready";
        case ShareRunNotificationEvent::waitingForInput: return "Needs input";
        case ShareRunNotificationEvent::succeeded: return "Succeeded";
        case ShareRunNotificationEvent::degraded: return "Completed with warning";
        case ShareRunNotificationEvent::failed: return "Failed";
        case ShareRunNotificationEvent::stoppedUnexpectedly: return "Unexpectedly stopped";
        case ShareRunNotificationEvent::cancelled: return "Cancelled";
        case ShareRunNotificationEvent::lost: return "Lost contact";
    }
    return "";
}

// ---- ShareExpectedLifetime

std::string_view rawValue(ShareExpectedLifetime lifetime) {
    switch (lifetime) {
        case ShareExpectedLifetime::finite: return "finite";
        case ShareExpectedLifetime::persistent: return "persistent";
    }
    return "";
}

template <>
std::optional<ShareExpectedLifetime> fromRawValue<ShareExpectedLifetime>(std::string_view raw) {
    return caseWithRawValue<ShareExpectedLifetime>(raw);
}

// ---- ShareRunNotificationPolicy

std::string ShareRunNotificationPolicy::summary() const {
    using E = ShareRunNotificationEvent;
    if (events.empty()) return "Off";
    if (events == std::set<E>{E::waitingForInput, E::degraded, E::failed}) {
        return "Needs input + warnings + failures";
    }
    if (events.size() == allCases<E>().size()) return "Every lifecycle event";

    std::vector<E> ordered(events.begin(), events.end());
    std::stable_sort(ordered.begin(), ordered.end(), [](E a, E b) { return rawValue(a) < rawValue(b); });
    std::string out;
    for (E e : ordered) {
        if (!out.empty()) out += ", ";
        out += displayTitle(e);
    }
    return out;
}

ShareRunNotificationPolicy ShareRunNotificationPolicy::defaults(ShareExpectedLifetime lifetime) {
    using E = ShareRunNotificationEvent;
    if (lifetime == ShareExpectedLifetime::persistent) {
        return {{E::waitingForInput, E::degraded, E::failed, E::stoppedUnexpectedly, E::lost}};
    }
    return {{E::waitingForInput, E::degraded, E::failed}};
}

ShareRunNotificationPolicy ShareRunNotificationPolicy::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "policy");
    ShareRunNotificationPolicy policy;
    for (const Json& element : pj::requireArray(obj, "events")) {
        std::string raw = pj::asString(element, "events[]");
        auto event = fromRawValue<ShareRunNotificationEvent>(raw);
        if (!event) throw DecodingError(DecodingError::Kind::dataCorrupted, "events[]");
        policy.events.insert(*event);
    }
    return policy;
}

Json ShareRunNotificationPolicy::toJson() const {
    Json list = Json::array();
    for (auto e : events) list.push_back(std::string(rawValue(e)));
    Json j = Json::object();
    j["events"] = std::move(list);
    return j;
}

// ---- ShareReadinessRule

std::string_view rawValue(ShareReadinessRule::Kind kind) {
    switch (kind) {
        case ShareReadinessRule::Kind::none: return "none";
        case ShareReadinessRule::Kind::survived: return "survived";
        case ShareReadinessRule::Kind::logContains: return "log_contains";
        case ShareReadinessRule::Kind::httpResponds: return "http_responds";
    }
    return "";
}

template <>
std::optional<ShareReadinessRule::Kind> fromRawValue<ShareReadinessRule::Kind>(std::string_view raw) {
    return caseWithRawValue<ShareReadinessRule::Kind>(raw);
}

std::string ShareReadinessRule::title() const {
    switch (kind) {
        case Kind::none:
            return "No readiness check";
        case Kind::survived:
            return "Alive for " + std::to_string(std::max<std::int64_t>(seconds, 1)) + " seconds";
        case Kind::logContains:
            if (pattern.empty()) return "Log contains text";
            return "Log contains \u201C" + pattern + "\u201D";
        case Kind::httpResponds:
            if (url.empty()) return "HTTP responds";
            return "HTTP " + std::to_string(expectedStatus) + " from " + url;
    }
    return "";
}

Json ShareReadinessRule::dictionary() const {
    Json j = Json::object();
    j["kind"] = std::string(rawValue(kind));
    switch (kind) {
        case Kind::none:
            break;
        case Kind::survived:
            j["seconds"] = std::max<std::int64_t>(seconds, 1);
            break;
        case Kind::logContains:
            j["pattern"] = pattern;
            break;
        case Kind::httpResponds:
            j["url"] = url;
            j["expected_status"] = expectedStatus;
            break;
    }
    return j;
}

ShareReadinessRule ShareReadinessRule::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "readinessRule");
    ShareReadinessRule rule;
    rule.kind = requireCase<Kind>(obj, "kind");
    rule.seconds = pj::requireInt(obj, "seconds");
    rule.pattern = pj::requireString(obj, "pattern");
    rule.url = pj::requireString(obj, "url");
    rule.expectedStatus = pj::requireInt(obj, "expectedStatus");
    return rule;
}

Json ShareReadinessRule::toJson() const {
    Json j = Json::object();
    j["kind"] = std::string(rawValue(kind));
    j["seconds"] = seconds;
    j["pattern"] = pattern;
    j["url"] = url;
    j["expectedStatus"] = expectedStatus;
    return j;
}

// ---- ShareRunNotificationDelivery

std::string_view rawValue(ShareRunNotificationDelivery::Component component) {
    switch (component) {
        case ShareRunNotificationDelivery::Component::relayURL: return "relay URL";
        case ShareRunNotificationDelivery::Component::deviceID: return "device ID";
        case ShareRunNotificationDelivery::Component::authToken: return "relay auth token";
    }
    return "";
}

template <>
std::optional<ShareRunNotificationDelivery::Component>
fromRawValue<ShareRunNotificationDelivery::Component>(std::string_view raw) {
    return caseWithRawValue<ShareRunNotificationDelivery::Component>(raw);
}

ShareRunNotificationDelivery::ShareRunNotificationDelivery(const Sources& s)
    : relayURL(firstNonempty({s.serverRelayURL, s.sharedRelayURL, defaultRelayURL()})),
      deviceID(firstNonempty({s.serverDeviceID, s.sharedDeviceID})),
      authToken(firstNonempty({s.sharedRelayAuthToken, s.serverToken})),
      serverIdentity(trimmed(s.serverIdentity)),
      serverLabel(trimmed(s.serverLabel)) {}

std::vector<ShareRunNotificationDelivery::Component> ShareRunNotificationDelivery::missingComponents() const {
    std::vector<Component> missing;
    if (relayURL.empty()) missing.push_back(Component::relayURL);
    if (deviceID.empty()) missing.push_back(Component::deviceID);
    if (authToken.empty()) missing.push_back(Component::authToken);
    return missing;
}

std::map<std::string, std::string> ShareRunNotificationDelivery::fields() const {
    std::map<std::string, std::string> out;
    auto put = [&out](const char* key, const std::string& value) {
        if (!value.empty()) out[key] = value;
    };
    put("relay_url", relayURL);
    put("device_id", deviceID);
    put("auth_token", authToken);
    put("server_identity", serverIdentity);
    put("server_label", serverLabel);
    return out;
}

std::string ShareRunNotificationDelivery::firstNonempty(const std::vector<std::string>& values) {
    for (const auto& value : values) {
        if (std::string t = trimmed(value); !t.empty()) return t;
    }
    return "";
}

std::string ShareRunNotificationDelivery::defaultRelayURL() {
    const Json& info = platform::Bundle::main().infoDictionary();
    if (info.is_object()) {
        auto it = info.find(std::string(kDefaultRunPushRelayInfoKey));
        if (it != info.end() && it->is_string()) {
            if (std::string configured = trimmed(it->get<std::string>()); !configured.empty()) return configured;
        }
    }
    return std::string(kBuiltInRunPushRelayURL);
}

// ---- hashing

std::size_t hashValue(const ShareRunNotificationPolicy& policy) {
    std::size_t seed = 0;
    for (auto e : policy.events) detail::hashCombine(seed, e);
    detail::hashCombine(seed, policy.events.size());
    return seed;
}

std::size_t hashValue(const ShareReadinessRule& rule) {
    std::size_t seed = 0;
    detail::hashCombine(seed, rule.kind);
    detail::hashCombine(seed, rule.seconds);
    detail::hashCombine(seed, rule.pattern);
    detail::hashCombine(seed, rule.url);
    detail::hashCombine(seed, rule.expectedStatus);
    return seed;
}

std::size_t hashValue(const ShareRunNotificationDelivery& d) {
    std::size_t seed = 0;
    for (const std::string* s : {&d.relayURL, &d.deviceID, &d.authToken, &d.serverIdentity, &d.serverLabel}) {
        detail::hashCombine(seed, *s);
    }
    return seed;
}

}  // namespace tarvo
