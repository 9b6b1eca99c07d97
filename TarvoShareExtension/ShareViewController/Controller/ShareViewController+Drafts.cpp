// Which server the share starts on, which servers are pre-selected, and each server's draft in
// this share. The rules are DraftResolution's; here they get the controller's state and the
// remembered settings of the app group. Nothing here writes a setting.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace {

std::optional<share::Draft> storedDraft(const share::ServerDraftStore& store, const std::string& serverID) {
    auto it = store.byServer.find(serverID);
    if (it == store.byServer.end()) return std::nullopt;
    return it->second;
}

}  // namespace

ShareViewController::Draft ShareViewController::loadGlobalDraftFallback() const {
    const std::string id = share::startupServerID(servers, defaults->string("share.lastServerId").value_or(""),
                                                  defaults->string("activeServerId").value_or(""));
    const std::string replyTo = platform::text::trimmed(defaults->string("emit.defaultReplyTo").value_or(""));
    return freshInvocationDraft(id, replyTo, storedDraft(serverDraftStore, id));
}

std::set<std::string> ShareViewController::rememberedProjectMultiServerIDs() const {
    const auto key = projectScopedShareKey("multiServerIds");
    if (!key) return {};
    return share::configuredServerIDs(defaults->object(*key), servers);
}

std::set<std::string> ShareViewController::rememberedSelectedServerIDs(std::string_view fallbackServerID) const {
    const auto projectKey = projectScopedShareKey("multiServerIds");
    return share::rememberedSelectedServerIDs(projectKey ? defaults->object(*projectKey) : std::nullopt,
                                              defaults->object("share.multiServerIds"), fallbackServerID, servers);
}

std::optional<std::string> ShareViewController::rememberedSingleServerID() const {
    std::optional<std::string> project;
    if (const auto key = projectScopedShareKey("singleServerId")) project = defaults->string(*key).value_or("");
    return share::rememberedSingleServerID(project, defaults->string("share.singleServerId"),
                                           defaults->string("share.lastServerId"), servers);
}

std::optional<std::string> ShareViewController::projectScopedShareKey(std::string_view name) const {
    return share::projectScopedShareKey(name, artifactInsight.projectSignature);
}

ShareViewController::Draft ShareViewController::freshInvocationDraft(std::string_view serverID,
                                                                     std::string_view replyTo,
                                                                     const std::optional<Draft>& prior) const {
    return share::freshInvocationDraft(serverID, replyTo, prior, typeKey, servers);
}

ShareViewController::Draft ShareViewController::draftForServer(const ServerProfile& server,
                                                               const Draft& preserving) const {
    Draft fresh = freshInvocationDraft(server.id, preserving.replyTo, storedDraft(serverDraftStore, server.id));
    return recipeClearedIfStale(share::carryingIntent(std::move(fresh), preserving, typeKey), server.id);
}

ShareViewController::Draft ShareViewController::workingDraft(const ServerProfile& server,
                                                             const Draft& preserving) const {
    auto resolved = resolvedDraftsByServer.find(server.id);
    return resolved != resolvedDraftsByServer.end() ? resolved->second : draftForServer(server, preserving);
}

ShareViewController::Draft ShareViewController::resolvedDraft(const ServerProfile& server, const Draft& preserving) {
    if (server.id == draft.serverId) {
        Draft onScreen = snapshotDraftFromUI();
        resolvedDraftsByServer[server.id] = onScreen;
        return onScreen;
    }
    if (auto it = resolvedDraftsByServer.find(server.id); it != resolvedDraftsByServer.end()) {
        it->second = recipeClearedIfStale(it->second, server.id);
        return it->second;
    }
    Draft resolved = draftForServer(server, preserving);
    resolvedDraftsByServer[server.id] = resolved;
    return resolved;
}

std::vector<std::pair<std::string, ShareViewController::Draft>> ShareViewController::recommendationDraftsByServer(
    const std::vector<ServerProfile>& forServers) const {
    std::vector<std::pair<std::string, Draft>> pairs;
    pairs.reserve(forServers.size());
    for (const auto& server : forServers) pairs.emplace_back(server.id, workingDraft(server, draft));
    return pairs;
}

}  // namespace tarvo
