#pragma once
// The rules behind the run's notification and readiness controls: the events a new lifetime
// brings when the person has not chosen them, the readiness rule a lifetime change leaves, the
// readiness menu's entries, and the texts that say where notifications go.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ShareRunContract.h"
#include "Shared/ServerProfile.h"

namespace tarvo::share {

// The nine events in the order of their switches.
inline constexpr std::array<ShareRunNotificationEvent, 9> kNotificationSwitchOrder{
    ShareRunNotificationEvent::accepted,  ShareRunNotificationEvent::ready,
    ShareRunNotificationEvent::waitingForInput, ShareRunNotificationEvent::succeeded,
    ShareRunNotificationEvent::degraded,  ShareRunNotificationEvent::failed,
    ShareRunNotificationEvent::stoppedUnexpectedly, ShareRunNotificationEvent::cancelled,
    ShareRunNotificationEvent::lost};

// The events a lifetime notifies by the server's push settings; none without a server or with
// its run pushes off.
ShareRunNotificationPolicy defaultNotificationEvents(ShareExpectedLifetime lifetime,
                                                     const std::optional<ServerProfile>& server);

// The rule after a lifetime change: none for a finite run; for a persistent one, "survived for
// 3 seconds" in place of none, any other rule kept.
ShareReadinessRule readinessAfterLifetimeChange(ShareExpectedLifetime lifetime, const ShareReadinessRule& rule);

struct ReadinessMenuEntry {
    std::string title;
    ShareReadinessRule rule;
};
// "Readiness evidence": five entries, the log and HTTP ones carrying the current pattern, URL
// and expected status.
inline constexpr std::string_view kReadinessMenuTitle = "Readiness evidence";
std::vector<ReadinessMenuEntry> readinessMenuEntries(const ShareReadinessRule& current);
// Same kind, and for "survived" the same seconds.
bool readinessEntryIsOn(const ShareReadinessRule& entry, const ShareReadinessRule& current);
bool readinessRuleNeedsValue(ShareReadinessRule::Kind kind);
std::string readinessValuePlaceholder(ShareReadinessRule::Kind kind);
// "Ready when: <title>".
std::string readinessButtonTitle(const ShareReadinessRule& rule);
// The rule with the value field's text (trimmed) as its pattern or URL; nothing when the kind
// takes no value.
std::optional<ShareReadinessRule> readinessRuleWithValue(const ShareReadinessRule& rule, std::string_view text);

// The device identifier shortened for display: whole below 15 characters, else the first 8,
// "…" and the last 4.
std::string compactNotificationDeviceID(std::string_view deviceID);
// The disclosure button's subtitle: "No lifecycle alerts", "Choose a server to deliver alerts",
// "Per Job · <relay host> → <device>" or "Cannot deliver · missing <parts>".
std::string notificationDeliveryStatusText(const ShareRunNotificationPolicy& policy,
                                           const std::optional<ShareRunNotificationDelivery>& delivery);
// "Notify me · <policy summary>".
std::string notificationDisclosureTitle(const ShareRunNotificationPolicy& policy);

}  // namespace tarvo::share
