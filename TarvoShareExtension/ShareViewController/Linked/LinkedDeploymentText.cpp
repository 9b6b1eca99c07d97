#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentText.h"

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace {

constexpr std::string_view kDot = " \u00B7 ";
constexpr std::string_view kArrow = " \u2192 ";

std::string actionAndDestination(const NVKLinkedExecution& execution) {
    return execution.action + std::string(kArrow) +
           (execution.destination.empty() ? std::string("server root") : execution.destination);
}

}  // namespace

std::string linkedDeploymentSubtitle(const NVKLinkedDeployment& deployment) {
    return "change " + deployment.changeId + "\nbatch " + deployment.batchId +
           "\nApproval dispatches this immutable Ostrel batch. With Return Result enabled, success types a compact "
           "confirmation and any terminal error drops the complete run.log into the source NVK browser.";
}

std::string linkedDeploymentStatus(std::size_t targetCount) {
    return "Linked to " + std::to_string(targetCount) + " exact deployment target" + (targetCount == 1 ? "" : "s") + ".";
}

std::set<std::string> preselectedLinkedTargetIDs(const NVKLinkedDeployment& deployment) {
    std::set<std::string> ids;
    for (const auto& target : deployment.targets) {
        if (target.canApprove) ids.insert(target.id);
    }
    return ids;
}

std::string replyTicketDisplayName(const NVKInteractionReplyTicket& reply) {
    return reply.targetLabel.empty() ? reply.targetId : reply.targetLabel;
}

std::string returnResultLabelText(const NVKInteractionReplyTicket& reply) {
    return "Return result to " + replyTicketDisplayName(reply) +
           "\nSuccess types a compact confirmation. Failure drops the complete run.log.";
}

std::vector<NVKLinkedTarget> eligibleLinkedTargets(const NVKLinkedDeployment& deployment,
                                                   const std::set<std::string>& selected) {
    std::vector<NVKLinkedTarget> eligible;
    for (const auto& target : deployment.targets) {
        if (target.canApprove && selected.count(target.id) != 0) eligible.push_back(target);
    }
    return eligible;
}

std::string linkedApprovalTitle(std::size_t ordinal, std::size_t total) {
    return "Deploy " + std::to_string(ordinal) + " of " + std::to_string(total) + "?";
}

std::string linkedApprovalMessage(const NVKLinkedTarget& target) {
    std::string message = target.serverName + "\n" + actionAndDestination(target.execution);
    const std::string command = platform::text::trimmed(target.execution.command);
    if (!command.empty()) message += "\n" + command;
    return message;
}

std::string linkedDispatchedStatus(std::size_t dispatched, std::size_t total) {
    return "Dispatched " + std::to_string(dispatched) + "/" + std::to_string(total) + " exact target" +
           (dispatched == 1 ? "" : "s");
}

std::string linkedDispatchSuccessText(bool returnResult, const std::optional<NVKInteractionReplyTicket>& reply) {
    if (returnResult && reply) {
        return "NVK batch dispatched. The terminal result will return to " + replyTicketDisplayName(*reply) + ".";
    }
    return "NVK batch dispatched.";
}

std::string linkedDeploymentFailureText(std::string_view description) {
    return "Linked deployment failed: " + std::string(description);
}

LinkedTargetPresentation linkedTargetPresentation(const NVKLinkedTarget& target, const std::set<std::string>& selected) {
    if (target.state == "succeeded") return LinkedTargetPresentation::done;
    if (!target.canApprove) return LinkedTargetPresentation::waiting;
    return selected.count(target.id) != 0 ? LinkedTargetPresentation::chosen : LinkedTargetPresentation::notChosen;
}

LinkedTargetCapsule linkedTargetCapsule(const NVKLinkedTarget& target, const std::set<std::string>& selected, bool busy) {
    LinkedTargetCapsule capsule;
    switch (linkedTargetPresentation(target, selected)) {
        case LinkedTargetPresentation::done:
            capsule = {"Done", "checkmark.seal.fill", true, true};
            break;
        case LinkedTargetPresentation::chosen:
            capsule = {"Selected", "checkmark.circle.fill", true, false};
            break;
        case LinkedTargetPresentation::notChosen:
            capsule = {"Add", "circle", false, false};
            break;
        case LinkedTargetPresentation::waiting:
            capsule = {target.state, "clock.badge.checkmark", selected.count(target.id) != 0, false};
            break;
    }
    // A done target that can still be approved stays tappable.
    capsule.enabled = target.canApprove && !busy;
    return capsule;
}

std::string linkedTargetTitle(const NVKLinkedTarget& target) {
    return target.label.empty() ? target.serverName : target.label;
}

std::string linkedTargetDetail(const NVKLinkedTarget& target) {
    std::string detail = target.serverName + std::string(kDot) + actionAndDestination(target.execution);
    const std::string command = platform::text::trimmed(target.execution.command);
    if (!command.empty()) detail += std::string(kDot) + command;
    detail += std::string(kDot) + (target.required ? "required" : "optional");
    return detail;
}

std::string linkedTargetAccessibilityLabel(const NVKLinkedTarget& target, const LinkedTargetCapsule& capsule) {
    const std::string title = linkedTargetTitle(target);
    return (title.empty() ? target.serverName : title) + ", " + (capsule.title.empty() ? target.state : capsule.title);
}

std::string deploySetTitle(std::size_t selectedCount) { return "Deploy set \u00B7 " + std::to_string(selectedCount); }

std::string deploySetSubtitle(const std::vector<std::string>& selectedLabels) {
    if (selectedLabels.empty()) return "Select at least one server. Last choice is remembered.";
    std::string subtitle;
    for (const auto& label : selectedLabels) {
        if (!subtitle.empty()) subtitle += kDot;
        subtitle += label;
    }
    return subtitle;
}

}  // namespace tarvo::share
