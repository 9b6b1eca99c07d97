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
std::string serverChevron(std::string_view serverId) { return itemRole(serverChevronPrefix, serverId); }
std::string chip(std::string_view path) { return itemRole(chipPrefix, path); }
std::string linkedTargetCard(std::string_view targetId) { return itemRole(linkedTargetCardPrefix, targetId); }
std::string linkedTarget(std::string_view targetId) { return itemRole(linkedTargetPrefix, targetId); }

const std::vector<std::string>& perItemRolePatterns() {
    static const std::vector<std::string> patterns{
        itemRole(serverRowPrefix, "ID"),
        itemRole(serverSelectPrefix, "ID"),
        itemRole(serverChevronPrefix, "ID"),
        itemRole(chipPrefix, "PATH"),
        itemRole(linkedTargetCardPrefix, "TARGET-ID"),
        itemRole(linkedTargetPrefix, "TARGET-ID"),
    };
    return patterns;
}

}  // namespace tarvo::share::roles
