#include "Core/PushShared.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Text.h"

namespace tarvo {

std::string PushShared::suiteName() {
    const platform::Json& info = platform::Bundle::main().infoDictionary();
    if (!info.is_object()) return "";
    auto it = info.find("APP_GROUP_ID");
    if (it == info.end() || !it->is_string()) return "";
    return platform::text::trimmed(it->get<std::string>());
}

std::shared_ptr<platform::UserDefaults> PushShared::defaults() {
    const std::string name = suiteName();
    if (!name.empty()) {
        if (auto suite = platform::UserDefaults::suite(name)) return suite;
    }
    return platform::UserDefaults::standard();
}

void PushShared::_migrateFromStandardIfNeeded(const std::vector<std::string>& keys,
                                              std::string_view markerPrefix) {
    const std::string name = suiteName();
    if (name.empty()) return;
    auto suite = platform::UserDefaults::suite(name);
    auto standard = platform::UserDefaults::standard();
    _migrateFromStandardIfNeeded(keys, markerPrefix, name, suite.get(), *standard);
}

void PushShared::_migrateFromStandardIfNeeded(const std::vector<std::string>& keys, std::string_view markerPrefix,
                                              std::string_view suiteName, platform::UserDefaults* suite,
                                              platform::UserDefaults& standard) {
    // Without the suite there is nowhere to copy to; the standard store stays as it is.
    if (suiteName.empty() || suite == nullptr) return;

    const std::string marker = std::string(markerPrefix) + "." + std::string(suiteName);
    if (suite->boolValue(marker)) return;

    for (const auto& key : keys) {
        // What the app group already holds is newer than anything left in the standard store.
        if (suite->object(key)) continue;
        if (auto value = standard.object(key)) suite->set(key, *value);
    }
    suite->set(marker, platform::PropertyList(true));
    suite->synchronize();
}

const std::vector<std::string>& SharedDefaultsKeys::appConfig() {
    static const std::vector<std::string> keys{
        "servers.json",
        "activeServerId",
        "serverURL",
        "authToken",
        "emit.configByKind.json",
        "emit.defaultReplyTo",
        "web.user_js_actions.json",
        "browser.surface_mode",
        "browser.live_mirroring.enabled",
    };
    return keys;
}

}  // namespace tarvo
