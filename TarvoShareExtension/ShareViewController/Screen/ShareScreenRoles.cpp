#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"

namespace tarvo::share::roles {

namespace {

std::string itemRole(std::string_view prefix, std::string_view identity) {
    std::string role(prefix);
    role += ':';
    role += identity;
    return role;
}

}  // namespace

const std::vector<std::string_view>& controlRoles() {
    static const std::vector<std::string_view> all{
        titleLabel,
        heroSubtitleLabel,
        heroHeaderCard,
        actionDockCard,
        statusLabel,
        spinner,
        uploadProgressStack,
        uploadProgressView,
        uploadProgressLabel,
        cancelButton,
        scrollView,
        contentStack,
        linkedDeploymentCard,
        linkedDeploymentTitleLabel,
        linkedDeploymentSubtitleLabel,
        linkedDeploymentFallbackButton,
        serversSectionLabel,
        targetSectionLabel,
        openOnNextLaunchRow,
        serverButton,
        serverModeControl,
        multiDispatchControl,
        actionControl,
        expectedLifetimeControl,
        multiServerStack,
        makeAutomaticButton,
        emitFieldsStack,
        kindField,
        replyToField,
        onlyAgentsField,
        uploadFieldsStack,
        destFolderField,
        destinationSuggestionsStack,
        browseFolderButton,
        postUploadButton,
        workingDirectoryButton,
        workingDirectoryHelpLabel,
        customWorkingDirectoryField,
        advancedUploadOptionsButton,
        advancedUploadOptionsStack,
        artifactCard,
        artifactTitleLabel,
        artifactSubtitleLabel,
        artifactScriptsLabel,
        artifactActionsStack,
        artifactDetailsButton,
        artifactDetailsLabel,
        smartPlanCard,
        smartPlanTitleLabel,
        smartPlanSubtitleLabel,
        smartPlanEvidenceLabel,
        smartPlanApplyButton,
        readinessButton,
        readinessValueField,
        notificationDisclosureButton,
        notificationOptionsStack,
        returnResultRow,
        returnResultLabel,
        returnResultSwitch,
        deployCommandTextView,
        deployCommandHelpLabel,
        replyToSmartButton,
        onlyAgentsSmartButton,
        openOnNextLaunchSwitch,
        openOnNextLaunchLabel,
        itemsLabel,
        sendButton,
    };
    return all;
}

std::string serverRow(std::string_view serverId) { return itemRole(serverRowPrefix, serverId); }
std::string serverSelect(std::string_view serverId) { return itemRole(serverSelectPrefix, serverId); }
std::string serverPlan(std::string_view serverId) { return itemRole(serverPlanPrefix, serverId); }
std::string serverExpand(std::string_view serverId) { return itemRole(serverExpandPrefix, serverId); }
std::string serverDetailPlan(std::string_view serverId) { return itemRole(serverDetailPlanPrefix, serverId); }
std::string entryChip(std::string_view path) { return itemRole(entryChipPrefix, path); }
std::string serverEntryChip(std::string_view serverId, std::string_view path) {
    return itemRole(itemRole(serverEntryChipPrefix, serverId), path);
}
std::string serverEntryRail(std::string_view serverId) { return itemRole(serverEntryRailPrefix, serverId); }
std::string serverMoreEntriesChip(std::string_view serverId) { return itemRole(serverMoreEntriesChipPrefix, serverId); }
std::string commandToken(std::string_view token) { return itemRole(commandTokenPrefix, token); }
std::string linkedTargetCard(std::string_view targetId) { return itemRole(linkedTargetCardPrefix, targetId); }
std::string linkedTarget(std::string_view targetId) { return itemRole(linkedTargetPrefix, targetId); }

const std::vector<std::string_view>& builtControlRoles() {
    static const std::vector<std::string_view> all{otherServersDisclosure, moreEntriesChip, destinationSuggestionButton,
                                                   deploySetCard};
    return all;
}

const std::vector<std::string>& perItemRolePatterns() {
    static const std::vector<std::string> patterns{
        serverRow("ID"),
        serverSelect("ID"),
        serverPlan("ID"),
        serverExpand("ID"),
        serverDetailPlan("ID"),
        entryChip("PATH"),
        serverEntryChip("ID", "PATH"),
        serverMoreEntriesChip("ID"),
        commandToken("TOKEN"),
        linkedTargetCard("TARGET-ID"),
        linkedTarget("TARGET-ID"),
    };
    return patterns;
}

}  // namespace tarvo::share::roles
