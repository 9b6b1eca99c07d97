#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"

#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;
using Event = ShareRunNotificationEvent;

std::string defaultKind(std::string_view typeKey) {
    const std::string key = text::lowercased(typeKey);
    if (key == "image") return "photo";
    if (key == "video") return "video";
    if (key == "audio") return "voice";
    if (key == "url") return "links";
    if (key == "text") return "clipboard";
    if (key == "pdf" || key == "file" || key == "mixed") return "media";
    if (key == "zip") return "archive";
    return "clipboard";
}

const ServerProfile* findServer(const Servers& servers, std::string_view id) {
    for (const auto& server : servers) {
        if (server.id == id) return &server;
    }
    return nullptr;
}

bool isConfiguredServer(const Servers& servers, std::string_view id) { return findServer(servers, id) != nullptr; }

std::string cleanedDestinationFolder(std::string_view folder) {
    return text::trimmingCharacters(text::trimmed(folder), "/");
}

std::string startupServerID(const Servers& servers, std::string_view lastServerId, std::string_view activeServerId) {
    const std::string last = text::trimmed(lastServerId);
    if (!last.empty() && isConfiguredServer(servers, last)) return last;
    const std::string active = text::trimmed(activeServerId);
    if (!active.empty() && isConfiguredServer(servers, active)) return active;
    return servers.empty() ? std::string() : servers.front().id;
}

ShareRunNotificationPolicy derivedNotificationPolicy(const ServerProfile* server, ShareExpectedLifetime lifetime) {
    ShareRunNotificationPolicy policy;
    if (server == nullptr || !server->runCompletionPushEnabled) return policy;
    const bool failuresOnly = server->runCompletionPushFailuresOnly;
    if (lifetime == ShareExpectedLifetime::finite) {
        policy.events = failuresOnly ? std::set<Event>{Event::waitingForInput, Event::degraded, Event::failed}
                                     : std::set<Event>{Event::accepted, Event::waitingForInput, Event::succeeded,
                                                       Event::degraded, Event::failed};
    } else {
        policy.events = failuresOnly ? std::set<Event>{Event::waitingForInput, Event::degraded, Event::failed,
                                                       Event::stoppedUnexpectedly, Event::lost}
                                     : std::set<Event>{Event::accepted, Event::ready, Event::waitingForInput,
                                                       Event::failed, Event::stoppedUnexpectedly, Event::lost};
    }
    return policy;
}

Draft freshInvocationDraft(std::string_view serverID, std::string_view replyTo, const std::optional<Draft>& prior,
                           std::string_view typeKey, const Servers& servers) {
    const std::string type = text::lowercased(typeKey);
    Draft d;
    d.serverId = std::string(serverID);
    if (type == "text" || type == "url") {
        d.action = prior ? prior->action : ShareAction::emit;
    } else {
        d.action = ShareAction::upload;
    }
    const std::string priorKind = prior ? text::trimmed(prior->kind) : std::string();
    d.kind = priorKind.empty() ? defaultKind(typeKey) : priorKind;
    d.replyTo = std::string(replyTo);
    d.onlyAgents = prior ? prior->onlyAgents : std::string();
    d.destFolder = prior ? cleanedDestinationFolder(prior->destFolder) : std::string();
    d.openOnNextLaunch = prior && prior->openOnNextLaunch;
    d.postUploadAction = prior ? prior->postUploadAction : PostUploadAction::none;
    d.deployWorkingDirectory = prior ? prior->deployWorkingDirectory : PostUploadWorkingDirectory::uploadFolder;
    if (d.deployWorkingDirectory == PostUploadWorkingDirectory::extractedFolder && !needsUnzip(d.postUploadAction)) {
        d.deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    }
    d.deployCustomWorkingDirectory = prior ? normalizeWorkingDirectoryPath(prior->deployCustomWorkingDirectory) : "";
    d.deployCommand = prior ? normalizedCommand(prior->deployCommand) : std::string();
    d.selectedScriptPaths = prior ? prior->selectedScriptPaths : std::vector<std::string>();
    d.expectedLifetime = prior ? prior->expectedLifetime : ShareExpectedLifetime::finite;
    d.notificationPolicyCustomized = prior && prior->notificationPolicyCustomized;
    d.notificationPolicy = d.notificationPolicyCustomized
                               ? prior->notificationPolicy
                               : derivedNotificationPolicy(findServer(servers, serverID), d.expectedLifetime);
    d.readinessRule = prior ? prior->readinessRule : Draft::defaultReadinessRule(ShareExpectedLifetime::finite);
    // The normalising initialiser: script paths, and a persistent run's readiness check.
    return Draft::normalized(std::move(d));
}

Draft carryingIntent(Draft fresh, const Draft& onScreen, std::string_view typeKey) {
    fresh.action = onScreen.action;
    fresh.kind = text::trimmed(onScreen.kind).empty() ? defaultKind(typeKey) : onScreen.kind;
    fresh.openOnNextLaunch = onScreen.openOnNextLaunch;
    return fresh;
}

std::set<std::string> configuredServerIDs(const std::optional<platform::PropertyList>& stored, const Servers& servers) {
    std::set<std::string> ids;
    const platform::PropertyList::Array* list = stored ? stored->asArray() : nullptr;
    if (list == nullptr) return ids;
    for (const auto& element : *list) {
        if (element.asString() == nullptr) return {};
    }
    for (const auto& element : *list) {
        std::string id = text::trimmed(*element.asString());
        if (isConfiguredServer(servers, id)) ids.insert(std::move(id));
    }
    return ids;
}

std::set<std::string> rememberedSelectedServerIDs(const std::optional<platform::PropertyList>& projectMultiServerIds,
                                                  const std::optional<platform::PropertyList>& multiServerIds,
                                                  std::string_view fallbackServerID, const Servers& servers) {
    if (auto project = configuredServerIDs(projectMultiServerIds, servers); !project.empty()) return project;
    if (auto global = configuredServerIDs(multiServerIds, servers); !global.empty()) return global;
    const std::string fallback = text::trimmed(fallbackServerID);
    if (isConfiguredServer(servers, fallback)) return {fallback};
    return {};
}

std::optional<std::string> rememberedSingleServerID(const std::optional<std::string>& projectSingleServerId,
                                                    const std::optional<std::string>& singleServerId,
                                                    const std::optional<std::string>& lastServerId,
                                                    const Servers& servers) {
    if (projectSingleServerId) {
        std::string id = text::trimmed(*projectSingleServerId);
        if (isConfiguredServer(servers, id)) return id;
    }
    const std::optional<std::string>& stored = singleServerId ? singleServerId : lastServerId;
    std::string id = stored ? text::trimmed(*stored) : std::string();
    if (isConfiguredServer(servers, id)) return id;
    return std::nullopt;
}

std::optional<std::string> projectScopedShareKey(std::string_view name,
                                                 const std::optional<ArtifactProjectSignature>& signature) {
    if (!signature) return std::nullopt;
    const std::string digest = text::trimmed(signature->exactDigest);
    if (digest.empty()) return std::nullopt;
    return "share.project." + std::string(name) + "." + digest;
}

const ServerProfile* firstSelectedServer(const Servers& servers, const std::set<std::string>& selected) {
    for (const auto& server : servers) {
        if (selected.count(server.id) != 0) return &server;
    }
    return nullptr;
}

}  // namespace tarvo::share
