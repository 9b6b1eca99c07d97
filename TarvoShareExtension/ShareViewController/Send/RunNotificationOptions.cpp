#include "TarvoShareExtension/ShareViewController/Send/RunNotificationOptions.h"

#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace tarvo::share {

namespace text = platform::text;
using E = ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;

ShareRunNotificationPolicy defaultNotificationEvents(ShareExpectedLifetime lifetime,
                                                     const std::optional<ServerProfile>& server) {
    if (!server || !server->runCompletionPushEnabled) return {};
    const bool failuresOnly = server->runCompletionPushFailuresOnly;
    if (lifetime == ShareExpectedLifetime::persistent) {
        if (failuresOnly) return {{E::waitingForInput, E::degraded, E::failed, E::stoppedUnexpectedly, E::lost}};
        return {{E::accepted, E::ready, E::waitingForInput, E::failed, E::stoppedUnexpectedly, E::lost}};
    }
    if (failuresOnly) return {{E::waitingForInput, E::degraded, E::failed}};
    return {{E::accepted, E::waitingForInput, E::succeeded, E::degraded, E::failed}};
}

ShareReadinessRule readinessAfterLifetimeChange(ShareExpectedLifetime lifetime, const ShareReadinessRule& rule) {
    if (lifetime == ShareExpectedLifetime::finite) return ShareReadinessRule{Kind::none, 0, "", "", 200};
    if (rule.kind == Kind::none) return ShareReadinessRule{Kind::survived, 3, "", "", 200};
    return rule;
}

std::vector<ReadinessMenuEntry> readinessMenuEntries(const ShareReadinessRule& current) {
    return {
        {"No readiness check", {Kind::none, 0, "", "", 200}},
        {"Process survives 3 seconds", {Kind::survived, 3, "", "", 200}},
        {"Process survives 10 seconds", {Kind::survived, 10, "", "", 200}},
        {"Log contains text", {Kind::logContains, 0, current.pattern, "", 200}},
        {"HTTP endpoint responds", {Kind::httpResponds, 0, "", current.url, current.expectedStatus}},
    };
}

bool readinessEntryIsOn(const ShareReadinessRule& entry, const ShareReadinessRule& current) {
    if (entry.kind != current.kind) return false;
    return entry.kind != Kind::survived || entry.seconds == current.seconds;
}

bool readinessRuleNeedsValue(Kind kind) { return kind == Kind::logContains || kind == Kind::httpResponds; }

std::string readinessValuePlaceholder(Kind kind) {
    return kind == Kind::httpResponds ? "https://example.com/health" : "Text written to the run log";
}

std::string readinessButtonTitle(const ShareReadinessRule& rule) { return "Ready when: " + rule.title(); }

std::optional<ShareReadinessRule> readinessRuleWithValue(const ShareReadinessRule& rule, std::string_view value) {
    ShareReadinessRule next = rule;
    if (rule.kind == Kind::logContains) {
        next.pattern = text::trimmed(value);
    } else if (rule.kind == Kind::httpResponds) {
        next.url = text::trimmed(value);
    } else {
        return std::nullopt;
    }
    return next;
}

std::string compactNotificationDeviceID(std::string_view deviceID) {
    const std::string id = text::trimmed(deviceID);
    if (text::graphemeCount(id) < 15) return id;
    // shortenedKeepingEnd gives "…" and the last four.
    return text::prefixGraphemes(id, 8) + text::shortenedKeepingEnd(id, 4);
}

std::string notificationDeliveryStatusText(const ShareRunNotificationPolicy& policy,
                                           const std::optional<ShareRunNotificationDelivery>& delivery) {
    if (policy.events.empty()) return "No lifecycle alerts";
    if (!delivery) return "Choose a server to deliver alerts";
    const auto missing = delivery->missingComponents();
    if (missing.empty()) {
        std::string host = delivery->relayURL;
        if (auto url = platform::URL::parse(delivery->relayURL); url && !url->host().empty()) host = url->host();
        return "Per Job \u00b7 " + host + " \u2192 " + compactNotificationDeviceID(delivery->deviceID);
    }
    std::string out = "Cannot deliver \u00b7 missing ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i) out += ", ";
        out += rawValue(missing[i]);
    }
    return out;
}

std::string notificationDisclosureTitle(const ShareRunNotificationPolicy& policy) {
    return "Notify me \u00b7 " + policy.summary();
}

}  // namespace tarvo::share
