// The actions of the servers section: the server mode, the dispatch mode, selecting servers,
// expanding rows, opening a server's plan and switching the screen to another server's draft.
// Each saves what the screen shows before it changes anything, so no edit is lost, then
// remembers the mode and selection in the app group.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using namespace platform;

namespace {

// The screen's draft, recorded for its server and stored.
ShareViewController::Draft saveScreen(ShareViewController& c) {
    ShareViewController::Draft d = c.snapshotDraftFromUI();
    if (!d.serverId.empty()) c.resolvedDraftsByServer[d.serverId] = d;
    c.persistGlobalDraft(d);
    return d;
}

}  // namespace

void ShareViewController::serverModeChanged() {
    ServerStackBatch batch(*this);
    userTouchedServerMode = true;
    draft = saveScreen(*this);
    serverMode = serverModeControl->selectedSegmentIndex == 1 ? ServerMode::multi : ServerMode::single;
    if (serverMode == ServerMode::multi) {
        if (selectedServerIDs.empty()) {
            selectedServerIDs = rememberedSelectedServerIDs("");
            if (selectedServerIDs.empty() && !draft.serverId.empty()) selectedServerIDs = {draft.serverId};
        }
    } else {
        defaults->set("share.singleServerId", PropertyList(draft.serverId));
    }
    persistMultiServerSelection();
    rebuildMultiServerStack();
    refreshDerivedUI();
}

void ShareViewController::multiDispatchModeChanged() {
    multiDispatchMode =
        multiDispatchControl->selectedSegmentIndex == 1 ? MultiDispatchMode::oneByOne : MultiDispatchMode::all;
    persistMultiServerSelection();
    refreshDerivedUI();
}

void ShareViewController::toggleServerSelection(const ServerProfile& server, bool expandOnSelect) {
    ServerStackBatch batch(*this);
    draft = saveScreen(*this);
    if (selectedServerIDs.count(server.id) == 0) {
        selectedServerIDs.insert(server.id);
        if (expandOnSelect) expandedServerIDs.insert(server.id);
    } else {
        // The row stays expanded; the selection may become empty.
        selectedServerIDs.erase(server.id);
    }
    persistMultiServerSelection();
    rebuildMultiServerStack();
    refreshDerivedUI();
}

void ShareViewController::switchDraftToServer(const ServerProfile& server) {
    ServerStackBatch batch(*this);
    const Draft left = saveScreen(*this);
    // A draft already resolved in this share comes back as it was, without a new stale check.
    const Draft target = workingDraft(server, left);
    draft = target;
    resolvedDraftsByServer[server.id] = target;
    if (serverMode == ServerMode::single) defaults->set("share.singleServerId", PropertyList(server.id));
    persistMultiServerSelection();
    adoptServerContext(server.id);
    applyDraftToUI();
    replyToSmartButton->menu = makeSmartMenu(SmartField::replyTo);
    onlyAgentsSmartButton->menu = makeSmartMenu(SmartField::onlyAgents);
    configureServerButton();
    rebuildMultiServerStack();
    refreshSmartSharePlan(true);
    scheduleArtifactRecommendationRefresh();
}

void ShareViewController::adoptServerContext(const std::string& serverID) {
    userTouchedRecipe = manuallyEditedRecipeServerIDs.count(serverID) != 0;
    if (auto plan = smartSharePlansByServer.find(serverID); plan != smartSharePlansByServer.end()) {
        smartSharePlan = plan->second;
    } else {
        smartSharePlan.reset();
    }
    if (auto reply = serverRecommendationsByServer.find(serverID); reply != serverRecommendationsByServer.end()) {
        artifactInsight.recommendation = reply->second;
        artifactInsight.shellCandidates = ArtifactCandidateRanker::merge(artifactInsight.baseShellCandidates, reply->second);
    } else {
        artifactInsight.recommendation.reset();
        artifactInsight.shellCandidates = artifactInsight.baseShellCandidates;
    }
}

void ShareViewController::openServerPlan(const ServerProfile& server) {
    ServerStackBatch batch(*this);
    expandedServerIDs.insert(server.id);
    artifactScriptsExpanded = false;
    switchDraftToServer(server);
    updateArtifactInsightCard(false);
    rebuildDestinationSuggestions();
    refreshSmartSharePlan(true);
    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();
}

void ShareViewController::toggleServerExpansion(const std::string& serverID) {
    if (expandedServerIDs.erase(serverID) == 0) expandedServerIDs.insert(serverID);
    rebuildMultiServerStack();
}

}  // namespace tarvo
