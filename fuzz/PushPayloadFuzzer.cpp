// Feeds arbitrary bytes to the notification service as a push: a JSON object whose "title",
// "subtitle" and "body" texts and "userInfo" object make the request (without "userInfo", the
// whole object is the user info, as a relay's raw payload would be). Whatever the push, the
// service hands exactly one content back before returning and never a second one; its texts are
// valid UTF-8 and trimmed, a push that is not about a run keeps its texts apart from the retired
// tail, and the sound is silence, the default or one of the bundle's files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoNotificationExtension/NotificationService.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzHome.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "platform/usernotifications/UNNotificationContent.h"

namespace {

using fuzzing::require;

bool isTrimmed(const std::string& text) { return platform::text::trimmed(text) == text; }

// Whether the text still ends in a slash and "default@main" (any letter case, any blanks).
bool hasRetiredTail(const std::string& text) {
    const std::string lower = platform::text::lowercased(text);
    constexpr std::string_view tail = "default@main";
    if (lower.size() < tail.size() || lower.compare(lower.size() - tail.size(), tail.size(), tail) != 0) return false;
    const std::string before = platform::text::trimmed(lower.substr(0, lower.size() - tail.size()));
    return !before.empty() && before.back() == '/';
}

std::string textOf(const platform::Json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::fuzzHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = platform::tryParseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed || !parsed->is_object()) return 0;

    platform::UNMutableNotificationContent content;
    content.setTitle(textOf(*parsed, "title"));
    content.setSubtitle(textOf(*parsed, "subtitle"));
    content.setBody(textOf(*parsed, "body"));
    auto info = parsed->find("userInfo");
    const platform::Json userInfo = info != parsed->end() && info->is_object() ? *info : *parsed;
    content.setUserInfo(userInfo);

    int delivered = 0;
    std::optional<platform::UNNotificationContent> shown;
    tarvo::NotificationService service;
    service.didReceive(platform::UNNotificationRequest("fuzz", content), [&](const platform::UNNotificationContent& c) {
        ++delivered;
        shown = c;
    });
    require(delivered == 1 && shown.has_value());
    service.serviceExtensionTimeWillExpire();
    require(delivered == 1);

    for (const std::string* text : {&shown->title(), &shown->subtitle(), &shown->body()}) {
        require(platform::text::isValidUTF8(*text));
    }
    require(isTrimmed(shown->subtitle()) && !hasRetiredTail(shown->subtitle()));
    const std::string kind = platform::text::lowercased(textOf(userInfo, "kind"));
    if (kind.rfind("run_", 0) != 0) {
        for (const std::string* text : {&shown->title(), &shown->body()}) {
            require(isTrimmed(*text) && !hasRetiredTail(*text));
        }
    }
    if (const auto& sound = shown->sound()) {
        const std::string name = sound->description();
        require(name == "default" || (name.rfind("named:", 0) == 0 && name.find('/') == std::string::npos));
    }
    return 0;
}
