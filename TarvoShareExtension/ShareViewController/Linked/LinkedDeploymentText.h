#pragma once
// What the linked, exact-version deployment says and shows: the card's texts, the status lines,
// the approval question per target, the outcome texts, and the look of each target card and of
// the deploy-set card, as pure functions of the tickets and the selection.
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarTickets.h"

namespace tarvo::share {

// ---- Applying tickets.
inline constexpr std::string_view kLinkedDeploymentTitle = "NVK exact-version deployment";
inline constexpr std::string_view kUnreadableDeploymentTicketText =
    "NVK deployment context could not be read. This share will remain a legacy Tarvo handoff.";
inline constexpr std::string_view kSavedPresetInsteadOfBatchText =
    "Using your saved automatic Tarvo preset instead of the NVK exact batch.";
inline constexpr std::string_view kRegularDeployEnabledText =
    "Regular Tarvo deploy enabled. Choose servers or use the predicted deploy set.";

// "change …", "batch …" and what approving does, on three lines.
std::string linkedDeploymentSubtitle(const NVKLinkedDeployment& deployment);
// "Linked to N exact deployment target(s)." counting every target of the ticket.
std::string linkedDeploymentStatus(std::size_t targetCount);
// The ids of the targets that can be approved: the starting selection.
std::set<std::string> preselectedLinkedTargetIDs(const NVKLinkedDeployment& deployment);
// The label, else the id.
std::string replyTicketDisplayName(const NVKInteractionReplyTicket& reply);
std::string returnResultLabelText(const NVKInteractionReplyTicket& reply);

// ---- Running the batch.
inline constexpr std::string_view kLinkedContextUnavailableText = "Linked deployment context is unavailable.";
inline constexpr std::string_view kSelectUnfinishedTargetText = "Select at least one unfinished target.";
inline constexpr std::string_view kNoTargetApprovedText = "No target was approved.";
inline constexpr std::string_view kSkipTitle = "Skip";
inline constexpr std::string_view kDeployTitle = "Deploy";

// The selected targets that can be approved, in ticket order.
std::vector<NVKLinkedTarget> eligibleLinkedTargets(const NVKLinkedDeployment& deployment,
                                                   const std::set<std::string>& selected);
// "Deploy 2 of 3?"
std::string linkedApprovalTitle(std::size_t ordinal, std::size_t total);
// Server name; action → destination (or "server root"); the trimmed command when any.
std::string linkedApprovalMessage(const NVKLinkedTarget& target);
// "Dispatched 1/3 exact target", the plural following the dispatched count.
std::string linkedDispatchedStatus(std::size_t dispatched, std::size_t total);
// The success text; names the return place only when the result is to be returned.
std::string linkedDispatchSuccessText(bool returnResult, const std::optional<NVKInteractionReplyTicket>& reply);
std::string linkedDeploymentFailureText(std::string_view description);

// ---- Target cards and the deploy-set card.
enum class LinkedTargetPresentation { done, chosen, notChosen, waiting };
LinkedTargetPresentation linkedTargetPresentation(const NVKLinkedTarget& target, const std::set<std::string>& selected);

struct LinkedTargetCapsule {
    std::string title;
    std::string image;
    // The filled look (blue, or green when done, with white) rather than the quiet fill with
    // label colour.
    bool prominent = false;
    bool done = false;
    bool enabled = false;
};
LinkedTargetCapsule linkedTargetCapsule(const NVKLinkedTarget& target, const std::set<std::string>& selected, bool busy);
// The label, else the server name.
std::string linkedTargetTitle(const NVKLinkedTarget& target);
// Server name · action → destination · command · required/optional.
std::string linkedTargetDetail(const NVKLinkedTarget& target);
// Title (else the server name), ", ", the capsule's title (else the target's state).
std::string linkedTargetAccessibilityLabel(const NVKLinkedTarget& target, const LinkedTargetCapsule& capsule);

std::string deploySetTitle(std::size_t selectedCount);
std::string deploySetSubtitle(const std::vector<std::string>& selectedLabels);

}  // namespace tarvo::share
