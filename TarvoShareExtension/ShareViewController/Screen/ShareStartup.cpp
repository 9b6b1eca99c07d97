#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace {

bool nameEndsWith(const platform::NSItemProvider& provider, std::string_view suffix) {
    const std::string name = platform::text::lowercased(provider.suggestedName().value_or(""));
    return platform::text::hasSuffix(name, suffix);
}

}  // namespace

SharedItems separateSidecars(const ProviderList& collected) {
    SharedItems shared;
    for (const auto& provider : collected) {
        if (!provider) continue;
        const bool deployment = nameEndsWith(*provider, kDeploymentSidecarSuffix);
        const bool reply = nameEndsWith(*provider, kReturnSidecarSuffix);
        if (deployment) shared.deploymentSidecars.push_back(provider);
        if (reply) shared.returnSidecars.push_back(provider);
        if (!deployment && !reply) shared.items.push_back(provider);
    }
    return shared;
}

const std::vector<std::string>& retiredDraftSettingsKeys() {
    static const std::vector<std::string> keys{
        "share.memory.json",
        "share.action",
        "share.defaultKind",
        "share.onlyAgents",
        "share.destFolder",
        "share.postUploadAction",
        "share.deployWorkingDirectory",
        "share.deployCustomWorkingDirectory",
        "share.deployCommand",
        "share.expectedLifetime",
        "share.notificationPolicy.json",
        "share.notificationPolicy.customized",
        "share.readinessRule.json",
        "share.openOnNextLaunch",
    };
    return keys;
}

ServerMode storedServerMode(const std::optional<std::string>& stored) {
    return stored && *stored == "multi" ? ServerMode::multi : ServerMode::single;
}

MultiDispatchMode storedMultiDispatchMode(const std::optional<std::string>& stored) {
    return stored && *stored == "oneByOne" ? MultiDispatchMode::oneByOne : MultiDispatchMode::all;
}

}  // namespace tarvo::share
