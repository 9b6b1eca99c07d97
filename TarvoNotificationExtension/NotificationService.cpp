#include "TarvoNotificationExtension/NotificationService.h"

#include <array>
#include <charconv>
#include <exception>
#include <memory>
#include <vector>

#include "Core/PushShared.h"
#include "Core/PushSoundPolicy.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace {

using platform::Json;
using platform::RegexError;
using platform::RegularExpression;
using platform::text::trimmed;

constexpr std::string_view kPartSeparator = " \u00B7 ";
constexpr std::string_view kArrow = " \u2192 ";

// A payload value as text: absent or not text reads as empty.
std::string textValue(const Json& userInfo, const char* key) {
    if (!userInfo.is_object()) return {};
    auto it = userInfo.find(key);
    if (it == userInfo.end() || !it->is_string()) return {};
    return it->get<std::string>();
}

std::string joinNonEmpty(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (const auto& part : parts) {
        if (part.empty()) continue;
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}

// The exit code as the relay sent it: a number as its digits, a text as itself. Null, lists
// and objects carry no exit code, so they count as absent rather than printing their shape.
std::optional<std::string> exitCodeDescription(const Json& userInfo) {
    if (!userInfo.is_object()) return std::nullopt;
    auto it = userInfo.find("exit_code");
    if (it == userInfo.end() || it->is_null() || it->is_array() || it->is_object()) return std::nullopt;
    if (it->is_string()) return it->get<std::string>();
    if (it->is_boolean()) return std::string(it->get<bool>() ? "1" : "0");
    if (it->is_number_unsigned()) return std::to_string(it->get<std::uint64_t>());
    if (it->is_number_integer()) return std::to_string(it->get<std::int64_t>());
    if (it->is_number_float()) {
        char buf[64];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, it->get<double>());
        if (ec == std::errc()) return std::string(buf, end);
    }
    return std::nullopt;
}

// The last component of a slash-separated path; trailing slashes do not count, and a path of
// only slashes is "/".
std::string lastPathComponent(std::string_view path) {
    if (path.empty()) return {};
    const auto lastNonSlash = path.find_last_not_of('/');
    if (lastNonSlash == std::string_view::npos) return "/";
    path = path.substr(0, lastNonSlash + 1);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

NotificationService::NotificationService() = default;

void NotificationService::didReceive(const platform::UNNotificationRequest& request,
                                     ContentHandler handler) {
    contentHandler = std::move(handler);
    bestAttempt = request.content().mutableCopy();
    auto& content = *bestAttempt;
    const Json userInfo = content.userInfo();

    content.setTitle(stripRetiredLineageProjection(content.title()));
    content.setSubtitle(stripRetiredLineageProjection(content.subtitle()));
    content.setBody(stripRetiredLineageProjection(content.body()));

    humanizeRunNotification(content, userInfo);

    const std::string soundKey = trimmed(textValue(userInfo, "sound_key"));
    std::optional<std::string> explicitToken;
    if (soundKey.empty()) {
        auto aps = userInfo.find("aps");
        if (aps != userInfo.end() && aps->is_object()) {
            auto sound = aps->find("sound");
            if (sound != aps->end() && sound->is_string()) explicitToken = sound->get<std::string>();
        }
    }
    std::optional<std::string> fallbackKind;
    if (auto kind = userInfo.find("kind"); kind != userInfo.end() && kind->is_string()) {
        fallbackKind = trimmed(kind->get<std::string>());
    }
    std::shared_ptr<platform::UserDefaults> store;
    try {
        store = PushShared::defaults();
    } catch (const std::exception&) {
        // Without readable settings the defaults decide.
    }
    const auto token = PushSoundPolicy::resolveToken(explicitToken, soundKey, fallbackKind, store.get());
    content.setSound(PushSoundPolicy::notificationSound(token, platform::Bundle::main()));

    // The handler is the platform's for this one request: once called, it is gone, so a late
    // expiry cannot deliver the notification a second time.
    auto deliver = std::move(contentHandler);
    contentHandler = nullptr;
    if (deliver) deliver(content);
}

void NotificationService::serviceExtensionTimeWillExpire() {
    if (!contentHandler || !bestAttempt) return;
    auto deliver = std::move(contentHandler);
    contentHandler = nullptr;
    deliver(*bestAttempt);
}

std::string NotificationService::stripRetiredLineageProjection(std::string_view text) {
    std::string out(text);
    try {
        const RegularExpression tail("(?i)(?:\\s*/\\s*" + RegularExpression::escapedPattern("default@main") +
                                     ")+\\s*$");
        out = tail.replacingMatches(text, "");
    } catch (const RegexError&) {
        // Keep the text as it came; it is still trimmed below.
    }
    return trimmed(out);
}

void NotificationService::humanizeRunNotification(platform::UNMutableNotificationContent& content,
                                                   const Json& userInfo) {
    using platform::text::hasPrefix;
    using platform::text::lowercased;

    const std::string kind = lowercased(textValue(userInfo, "kind"));
    if (!hasPrefix(kind, "run_")) return;

    std::string phase;
    if (auto it = userInfo.find("phase"); it != userInfo.end() && it->is_string()) {
        phase = it->get<std::string>();
    } else {
        phase = kind.substr(4);
    }
    phase = platform::text::replacingOccurrences(phase, "_", " ");
    if (phase == "degraded") phase = "completed with warning";

    const std::string artifact = trimmed(textValue(userInfo, "artifact_name"));
    const std::string script = trimmed(textValue(userInfo, "script_name"));
    const std::string duration = trimmed(textValue(userInfo, "duration_label"));
    const std::string server = trimmed(textValue(userInfo, "server_label"));
    const std::string location = trimmed(textValue(userInfo, "location_label"));
    const std::string failure = trimmed(textValue(userInfo, "failure_line"));
    const std::string prompt = trimmed(textValue(userInfo, "input_prompt"));
    const std::string summary = trimmed(textValue(userInfo, "result_summary"));

    if (artifact.empty() && script.empty() && duration.empty()) {
        const std::string found = recoverArtifact(content.body());
        if (found.empty()) return;
        std::string body = found;
        if (!phase.empty()) body += std::string(kPartSeparator) + phase;
        content.setBody(std::move(body));
        return;
    }

    std::string action = trimmed(textValue(userInfo, "action_label"));
    if (action.empty()) {
        if (!script.empty() && hasPrefix(lowercased(script), "build")) {
            action = "Build";
        } else if (!artifact.empty()) {
            action = "Deployment";
        } else {
            action = "Run";
        }
    }
    content.setTitle(joinNonEmpty({server, action + " " + phase}, kPartSeparator));

    std::string target;
    if (!artifact.empty() && !location.empty()) {
        target = artifact + std::string(kArrow) + location;
    } else {
        target = artifact.empty() ? location : artifact;
    }
    const std::string firstLine = joinNonEmpty({target, script, duration}, kPartSeparator);

    std::vector<std::string> detail;
    auto contains = [&](std::string_view needle) { return kind.find(needle) != std::string::npos; };
    if (contains("waiting_for_input")) {
        detail.push_back(prompt.empty() ? std::string("sudo password required") : prompt);
    } else if (contains("degraded")) {
        detail.push_back(summary.empty() ? std::string("One or more optional capabilities are unavailable")
                                         : summary);
    } else if (contains("failed") || contains("lost") || contains("stopped")) {
        if (auto code = exitCodeDescription(userInfo); code && !code->empty() && *code != "0") {
            detail.push_back("exit " + *code);
        }
        detail.push_back(failure);
    }
    const std::string secondLine = joinNonEmpty(detail, kPartSeparator);

    content.setBody(secondLine.empty() ? firstLine : firstLine + "\n" + secondLine);
}

std::string NotificationService::recoverArtifact(std::string_view from) {
    static constexpr std::array<const char*, 2> patterns{
        R"(artifact:\s*'\s*'([^']+)')",
        R"(artifact:\s*['\"]?([^'\"\n]+))",
    };
    for (const char* pattern : patterns) {
        try {
            const RegularExpression expression(pattern, RegularExpression::caseInsensitive);
            auto match = expression.firstMatch(from);
            if (!match) continue;
            if (auto captured = match->group(1)) return lastPathComponent(*captured);
        } catch (const RegexError&) {
            // A pattern that cannot run gives way to the next one.
        }
    }
    return {};
}

}  // namespace tarvo
