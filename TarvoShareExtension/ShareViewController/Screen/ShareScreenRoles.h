#pragma once
// The names by which tests, the driver and a person at the share program's prompt address the
// share screen's views. A control the controller holds is named after its field; a control
// built once per server or per script carries that server's id or script's path after a colon.
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::share::roles {

// ---- The controller's controls, in declaration order.
inline constexpr std::string_view titleLabel = "titleLabel";
inline constexpr std::string_view heroSubtitleLabel = "heroSubtitleLabel";
inline constexpr std::string_view heroHeaderCard = "heroHeaderCard";
inline constexpr std::string_view actionDockCard = "actionDockCard";
inline constexpr std::string_view statusLabel = "statusLabel";
inline constexpr std::string_view spinner = "spinner";
inline constexpr std::string_view uploadProgressStack = "uploadProgressStack";
inline constexpr std::string_view uploadProgressView = "uploadProgressView";
inline constexpr std::string_view uploadProgressLabel = "uploadProgressLabel";
inline constexpr std::string_view cancelButton = "cancelButton";
inline constexpr std::string_view scrollView = "scrollView";
inline constexpr std::string_view contentStack = "contentStack";
inline constexpr std::string_view linkedDeploymentCard = "linkedDeploymentCard";
inline constexpr std::string_view linkedDeploymentTitleLabel = "linkedDeploymentTitleLabel";
inline constexpr std::string_view linkedDeploymentSubtitleLabel = "linkedDeploymentSubtitleLabel";
inline constexpr std::string_view linkedDeploymentFallbackButton = "linkedDeploymentFallbackButton";
inline constexpr std::string_view serversSectionLabel = "serversSectionLabel";
inline constexpr std::string_view targetSectionLabel = "targetSectionLabel";
inline constexpr std::string_view openOnNextLaunchRow = "openOnNextLaunchRow";
inline constexpr std::string_view serverButton = "serverButton";
inline constexpr std::string_view serverModeControl = "serverModeControl";
inline constexpr std::string_view multiDispatchControl = "multiDispatchControl";
inline constexpr std::string_view actionControl = "actionControl";
inline constexpr std::string_view expectedLifetimeControl = "expectedLifetimeControl";
inline constexpr std::string_view multiServerStack = "multiServerStack";
inline constexpr std::string_view makeAutomaticButton = "makeAutomaticButton";
inline constexpr std::string_view emitFieldsStack = "emitFieldsStack";
inline constexpr std::string_view kindField = "kindField";
inline constexpr std::string_view replyToField = "replyToField";
inline constexpr std::string_view onlyAgentsField = "onlyAgentsField";
inline constexpr std::string_view uploadFieldsStack = "uploadFieldsStack";
inline constexpr std::string_view destFolderField = "destFolderField";
inline constexpr std::string_view destinationSuggestionsStack = "destinationSuggestionsStack";
inline constexpr std::string_view browseFolderButton = "browseFolderButton";
inline constexpr std::string_view postUploadButton = "postUploadButton";
inline constexpr std::string_view workingDirectoryButton = "workingDirectoryButton";
inline constexpr std::string_view workingDirectoryHelpLabel = "workingDirectoryHelpLabel";
inline constexpr std::string_view customWorkingDirectoryField = "customWorkingDirectoryField";
inline constexpr std::string_view advancedUploadOptionsButton = "advancedUploadOptionsButton";
inline constexpr std::string_view advancedUploadOptionsStack = "advancedUploadOptionsStack";
inline constexpr std::string_view artifactCard = "artifactCard";
inline constexpr std::string_view artifactTitleLabel = "artifactTitleLabel";
inline constexpr std::string_view artifactSubtitleLabel = "artifactSubtitleLabel";
inline constexpr std::string_view artifactScriptsLabel = "artifactScriptsLabel";
inline constexpr std::string_view artifactActionsStack = "artifactActionsStack";
inline constexpr std::string_view artifactDetailsButton = "artifactDetailsButton";
inline constexpr std::string_view artifactDetailsLabel = "artifactDetailsLabel";
inline constexpr std::string_view smartPlanCard = "smartPlanCard";
inline constexpr std::string_view smartPlanTitleLabel = "smartPlanTitleLabel";
inline constexpr std::string_view smartPlanSubtitleLabel = "smartPlanSubtitleLabel";
inline constexpr std::string_view smartPlanEvidenceLabel = "smartPlanEvidenceLabel";
inline constexpr std::string_view smartPlanApplyButton = "smartPlanApplyButton";
inline constexpr std::string_view readinessButton = "readinessButton";
inline constexpr std::string_view readinessValueField = "readinessValueField";
inline constexpr std::string_view notificationDisclosureButton = "notificationDisclosureButton";
inline constexpr std::string_view notificationOptionsStack = "notificationOptionsStack";
inline constexpr std::string_view returnResultRow = "returnResultRow";
inline constexpr std::string_view returnResultLabel = "returnResultLabel";
inline constexpr std::string_view returnResultSwitch = "returnResultSwitch";
inline constexpr std::string_view deployCommandTextView = "deployCommandTextView";
inline constexpr std::string_view deployCommandHelpLabel = "deployCommandHelpLabel";
inline constexpr std::string_view replyToSmartButton = "replyToSmartButton";
inline constexpr std::string_view onlyAgentsSmartButton = "onlyAgentsSmartButton";
inline constexpr std::string_view openOnNextLaunchSwitch = "openOnNextLaunchSwitch";
inline constexpr std::string_view openOnNextLaunchLabel = "openOnNextLaunchLabel";
inline constexpr std::string_view itemsLabel = "itemsLabel";
inline constexpr std::string_view sendButton = "sendButton";

// Every role above, in declaration order.
const std::vector<std::string_view>& controlRoles();

// ---- Views built once per item: "<kind>:<identity>".
inline constexpr std::string_view serverRowPrefix = "serverRow";
inline constexpr std::string_view serverSelectPrefix = "serverSelect";
inline constexpr std::string_view serverPlanPrefix = "serverPlan";
inline constexpr std::string_view serverExpandPrefix = "serverExpand";
inline constexpr std::string_view serverDetailPlanPrefix = "serverDetailPlan";
inline constexpr std::string_view entryChipPrefix = "entryChip";
inline constexpr std::string_view serverEntryChipPrefix = "serverEntryChip";
inline constexpr std::string_view serverEntryRailPrefix = "serverEntryRail";
inline constexpr std::string_view serverMoreEntriesChipPrefix = "serverMoreEntriesChip";
inline constexpr std::string_view commandTokenPrefix = "commandToken";

// A server's row, its selection button, its Plan button, its chevron and the Plan button of its
// opened details, by server id.
std::string serverRow(std::string_view serverId);
std::string serverSelect(std::string_view serverId);
std::string serverPlan(std::string_view serverId);
std::string serverExpand(std::string_view serverId);
std::string serverDetailPlan(std::string_view serverId);
// A script chip of the artifact card, by the script's path in the archive.
std::string entryChip(std::string_view path);
// The same chip repeated in the current server's opened row: "serverEntryChip:ID:PATH", so that
// it never shares a role with the card's.
std::string serverEntryChip(std::string_view serverId, std::string_view path);
// The rail holding those chips and its "more" chip, by server id.
std::string serverEntryRail(std::string_view serverId);
std::string serverMoreEntriesChip(std::string_view serverId);
// A token button of the deploy command's bar, by its token.
std::string commandToken(std::string_view token);

// ---- Views built once (or once per rebuild) outside the controller's fields.
inline constexpr std::string_view otherServersDisclosure = "otherServersDisclosure";
inline constexpr std::string_view entryRail = "entryRail";
inline constexpr std::string_view moreEntriesChip = "moreEntriesChip";
inline constexpr std::string_view destinationSuggestionButton = "destinationSuggestionButton";

// ---- Linked deployment: a target's card and its capsule button, by target id; the deploy-set
// card that heads the server rows.
inline constexpr std::string_view linkedTargetCardPrefix = "linkedTargetCard";
inline constexpr std::string_view linkedTargetPrefix = "linkedTarget";
inline constexpr std::string_view deploySetCard = "deploySetCard";
std::string linkedTargetCard(std::string_view targetId);
std::string linkedTarget(std::string_view targetId);

// The roles of the views built outside the controller's fields that a person taps.
const std::vector<std::string_view>& builtControlRoles();

// The per-item patterns as a person reads them ("serverRow:ID", ...), for help texts.
const std::vector<std::string>& perItemRolePatterns();

}  // namespace tarvo::share::roles
