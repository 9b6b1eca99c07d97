// What the share remembers of the servers a project goes to: the mode and selection globally
// and per project, the project's automatic configuration applied once per share, and the
// recipe evidence the server rows show.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Smart/ProjectServerChoices.h"
#include "TarvoShareExtension/ShareViewController/Smart/RecipeEvidence.h"

namespace tarvo {

using namespace platform;

namespace {

PropertyList stringArray(const std::vector<std::string>& ids) {
    PropertyList::Array array;
    for (const auto& id : ids) array.emplace_back(id);
    return PropertyList(std::move(array));
}

}  // namespace

void ShareViewController::applyRememberedAutomaticConfigurationIfNeeded() {
    if (!artifactInsight.projectSignature) return;
    const std::optional<SmartShareAutomaticConfiguration> configuration = currentAutomaticConfiguration();
    if (!configuration) return;
    if (configuration->preferRegularForLinkedDeployment && linkedDeployment) {
        availableLinkedDeployment = linkedDeployment;
        linkedDeployment.reset();
        selectedLinkedTargetIDs.clear();
        statusLabel->text = std::string(share::kSavedAutomaticPresetStatus);
    }
    const std::string& digest = artifactInsight.projectSignature->exactDigest;
    if (automaticConfigurationAppliedDigest == digest || userTouchedServerMode) return;
    automaticConfigurationAppliedDigest = digest;

    const share::AutomaticConfigurationChoice choice =
        share::automaticConfigurationChoice(*configuration, servers, draft.serverId);
    serverMode = choice.mode;
    serverModeControl->selectedSegmentIndex = choice.mode == ServerMode::multi ? 1 : 0;
    multiDispatchMode = choice.dispatch;
    multiDispatchControl->selectedSegmentIndex = choice.dispatch == MultiDispatchMode::oneByOne ? 1 : 0;
    selectedServerIDs = choice.selectedServerIDs;

    const ServerProfile* target = share::findServer(servers, choice.targetServerID);
    if (!target || choice.targetServerID == draft.serverId) return;
    const ServerProfile targetServer = *target;
    const Draft snapshot = snapshotDraftFromUI();
    if (!snapshot.serverId.empty()) {
        resolvedDraftsByServer[snapshot.serverId] = snapshot;
        serverDraftStore.byServer[snapshot.serverId] = snapshot;
    }
    draft = workingDraft(targetServer, snapshot);
    resolvedDraftsByServer[targetServer.id] = draft;
    applyDraftFieldsWithoutRefreshing(draft);
}

std::optional<ShareViewController::ServerMode> ShareViewController::rememberedProjectServerMode() const {
    const auto key = projectScopedShareKey("serverMode");
    if (!key) return std::nullopt;
    return share::projectServerModeFrom(defaults->object(*key));
}

void ShareViewController::persistMultiServerSelection() {
    defaults->set("share.serverMode", PropertyList(std::string(rawValue(serverMode))));
    defaults->set("share.multiDispatchMode", PropertyList(std::string(rawValue(multiDispatchMode))));
    if (serverMode == ServerMode::multi) {
        defaults->set("share.multiServerIds", stringArray(share::selectedIDsInServerOrder(servers, selectedServerIDs)));
    } else if (auto id = share::configuredSingleServerID(servers, draft.serverId)) {
        defaults->set("share.singleServerId", PropertyList(*id));
    }
    persistProjectServerModeAndSelection();
    defaults->synchronize();
}

void ShareViewController::persistProjectServerModeAndSelection() {
    const auto modeKey = projectScopedShareKey("serverMode");
    if (!modeKey) return;
    defaults->set(*modeKey, PropertyList(std::string(rawValue(serverMode))));
    if (serverMode == ServerMode::multi) {
        if (const auto key = projectScopedShareKey("multiServerIds")) {
            defaults->set(*key, stringArray(share::selectedIDsInServerOrder(servers, selectedServerIDs)));
        }
    } else if (const auto key = projectScopedShareKey("singleServerId")) {
        if (auto id = share::configuredSingleServerID(servers, draft.serverId)) defaults->set(*key, PropertyList(*id));
    }
}

std::optional<std::pair<std::int64_t, bool>> ShareViewController::recipeSuccessEvidence(
    const std::string& serverID, const std::vector<ArtifactShellCandidate>& selected) const {
    auto reply = serverRecommendationsByServer.find(serverID);
    if (reply == serverRecommendationsByServer.end()) return std::nullopt;
    const auto evidence = share::recipeSuccessEvidence(&reply->second, selected);
    if (!evidence) return std::nullopt;
    return std::pair{evidence->count, evidence->exact};
}

std::optional<std::string> ShareViewController::recipeOriginSummary(const std::string& serverID) const {
    const auto plan = smartSharePlansByServer.find(serverID);
    return share::recipeOriginSummary(plan != smartSharePlansByServer.end() ? &plan->second : nullptr,
                                      manuallyEditedRecipeServerIDs.count(serverID) != 0,
                                      autoAppliedRecipeServerIDs.count(serverID) != 0);
}

bool ShareViewController::serverHasRecommendation(const ServerProfile& server) const {
    auto reply = serverRecommendationsByServer.find(server.id);
    auto plan = smartSharePlansByServer.find(server.id);
    auto resolved = resolvedDraftsByServer.find(server.id);
    return share::serverHasRecommendation(reply != serverRecommendationsByServer.end() ? &reply->second : nullptr,
                                          plan != smartSharePlansByServer.end() ? &plan->second : nullptr,
                                          resolved != resolvedDraftsByServer.end() ? &resolved->second : nullptr);
}

}  // namespace tarvo
