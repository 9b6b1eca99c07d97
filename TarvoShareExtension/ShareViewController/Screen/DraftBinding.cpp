#include "TarvoShareExtension/ShareViewController/Screen/DraftBinding.h"

#include "Shared/SubstrateRoute.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string selectedScriptsCommand(const std::vector<ArtifactShellCandidate>& selected) {
    // Written exactly as choosing the scripts writes it, so a command that still reads that way
    // is recognised as the selection's own.
    return normalizedCommand(recipeCommand(selected));
}

Draft snapshotDraft(const Draft& current, const DraftScreenValues& screen, std::string_view activeServerId,
                    const std::vector<ArtifactShellCandidate>& selectedByCurrent) {
    Draft d;
    d.serverId = current.serverId.empty() ? text::trimmed(activeServerId) : current.serverId;
    d.action = screen.actionSegment == 1 ? ShareAction::upload : ShareAction::emit;
    d.kind = text::trimmed(screen.kind);
    d.replyTo = text::trimmed(screen.replyTo);
    d.onlyAgents = text::trimmed(screen.onlyAgents);
    d.destFolder = cleanedDestinationFolder(screen.destFolder);
    d.openOnNextLaunch = screen.openOnNextLaunch;
    d.postUploadAction = current.postUploadAction;
    d.deployWorkingDirectory = current.deployWorkingDirectory;
    d.deployCustomWorkingDirectory = normalizeWorkingDirectoryPath(screen.customWorkingDirectory);
    d.deployCommand = normalizedCommand(screen.deployCommand);

    // A hand-edited command drops the script selection; a command that still reads exactly as
    // the selection wrote it keeps it.
    std::vector<std::string> paths = normalizedScriptPathList(current.selectedScriptPaths);
    if (!paths.empty() && selectedScriptsCommand(selectedByCurrent) != d.deployCommand) paths.clear();
    d.selectedScriptPaths = std::move(paths);

    d.expectedLifetime = screen.lifetimeSegment == 1 ? ShareExpectedLifetime::persistent : ShareExpectedLifetime::finite;
    d.notificationPolicy = current.notificationPolicy;
    d.notificationPolicyCustomized = current.notificationPolicyCustomized;
    d.readinessRule = current.readinessRule;
    // The normalising initialiser: the working directory follows the action, a persistent run
    // gets a readiness check.
    return Draft::normalized(std::move(d));
}

DraftScreenValues screenValues(const Draft& draft) {
    DraftScreenValues v;
    v.actionSegment = draft.action == ShareAction::upload ? 1 : 0;
    v.kind = draft.kind;
    v.replyTo = draft.replyTo;
    v.onlyAgents = draft.onlyAgents;
    v.destFolder = draft.destFolder;
    v.openOnNextLaunch = draft.openOnNextLaunch;
    v.customWorkingDirectory = draft.deployCustomWorkingDirectory;
    v.deployCommand = draft.deployCommand;
    v.lifetimeSegment = draft.expectedLifetime == ShareExpectedLifetime::persistent ? 1 : 0;
    switch (draft.readinessRule.kind) {
        case ShareReadinessRule::Kind::logContains:
            v.readinessValue = draft.readinessRule.pattern;
            break;
        case ShareReadinessRule::Kind::httpResponds:
            v.readinessValue = draft.readinessRule.url;
            break;
        case ShareReadinessRule::Kind::none:
        case ShareReadinessRule::Kind::survived:
            break;
    }
    return v;
}

std::string normalizedRouteText(std::string_view routeText) {
    std::string joined;
    for (const auto& token : SubstrateRoute::tokenize(routeText)) {
        if (!joined.empty()) joined += ", ";
        joined += token;
    }
    return joined;
}

std::string serverButtonTitle(const std::vector<ServerProfile>& servers, std::string_view serverId,
                              const std::optional<ServerProfile>& activeServer) {
    if (const ServerProfile* server = findServer(servers, serverId)) return server->displayLabel();
    if (activeServer) return activeServer->displayLabel();
    return "No server configured";
}

}  // namespace tarvo::share
