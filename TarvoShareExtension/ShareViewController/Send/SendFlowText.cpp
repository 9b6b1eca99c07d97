#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"

#include <algorithm>

#include "Shared/SubstrateRoute.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace {

constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kDot = " \u00b7 ";
constexpr std::string_view kArrow = " \u2192 ";

std::string counted(std::string_view prefix, std::size_t ordinal, std::size_t count) {
    return std::string(prefix) + std::to_string(ordinal) + "/" + std::to_string(count) + std::string(kEllipsis);
}

std::string joinFirst(const std::vector<std::string>& lines, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < limit; ++i) {
        if (i) out += "\n";
        out += lines[i];
    }
    return out;
}

}  // namespace

std::string sendingStatus(std::size_t ordinal, std::size_t count) { return counted("Sending ", ordinal, count); }
std::string preparingItemStatus(std::size_t ordinal, std::size_t count) {
    return counted("Preparing ", ordinal, count);
}
std::string startingRecipeStatus(std::size_t ordinal, std::size_t count) {
    return counted("Starting recipe ", ordinal, count);
}

std::string uploadErrorLine(std::size_t ordinal, std::size_t count, std::string_view text) {
    return std::to_string(ordinal) + "/" + std::to_string(count) + ": " + std::string(text);
}

std::string itemFailureSummary(const std::vector<std::string>& lines) {
    return "Done with " + std::to_string(lines.size()) + " error(s):\n" + joinFirst(lines, 3);
}

std::string emitKind(std::string_view draftKind, std::string_view typeKey) {
    std::string kind = platform::text::trimmed(draftKind);
    return kind.empty() ? defaultKind(typeKey) : kind;
}

std::string makeShareMetaJSON(std::string_view typeKey, std::string_view biasKey,
                              const std::optional<std::string>& sourceBundleID, std::string_view requestedKind) {
    try {
        platform::Json meta = platform::Json::object();
        meta["schema"] = 1;
        meta["note"] = "share_extension";
        meta["via"] = "ios_share";
        meta["type_key"] = std::string(typeKey);
        meta["bias_key"] = std::string(biasKey);
        meta["requested_kind"] = std::string(requestedKind);
        const std::string bundle = sourceBundleID ? platform::text::trimmed(*sourceBundleID) : std::string();
        if (!bundle.empty()) meta["source_bundle_id"] = bundle;
        return platform::encodeCompact(meta);
    } catch (const std::exception&) {
        // Text that is not UTF-8 cannot be written as JSON.
        return std::string(kFallbackShareMetaJSON);
    }
}

std::optional<std::string> emitRouteJSON(std::string_view replyTo, std::string_view onlyAgents) {
    std::optional<SubstrateRoute> route = SubstrateRoute::fromUI(replyTo, onlyAgents, std::nullopt);
    if (!route) return std::nullopt;
    try {
        return platform::encodeCompact(route->toJson());
    } catch (const std::exception&) {
        return std::string(R"({"schema":1})");
    }
}

std::string_view emitDeviceID(bool padIdiom) { return padIdiom ? "ipad" : "iphone"; }

bool isPrimaryArtifact(std::size_t index, std::size_t count, const std::optional<std::size_t>& primaryIndex) {
    return count == 1 || (primaryIndex && *primaryIndex == index);
}

std::string uploadCompletionMessage(const std::optional<PostUploadRecipeLaunch>& launch, PostUploadAction action) {
    if (!launch || action == PostUploadAction::none) return std::string(kUploadedText);
    std::string message = "Run accepted" + std::string(kDot) + launch->runID;
    if (launch->jobID) message += std::string(kDot) + *launch->jobID;
    return message;
}

std::string failedRunState(std::string_view error) { return "Failed" + std::string(kDot) + std::string(error); }

std::string multiServerStatus(std::string_view label, std::size_t ordinal, std::size_t total) {
    return std::string(label) + std::string(kDot) + std::to_string(ordinal) + "/" + std::to_string(total);
}

MultiSendSummary multiSendSummary(std::size_t successes, const std::vector<std::string>& failureLines) {
    if (!failureLines.empty()) {
        return {false, std::to_string(successes) + " succeeded" + std::string(kDot) +
                           std::to_string(failureLines.size()) + " failed\n" + joinFirst(failureLines, 2)};
    }
    if (successes > 0) {
        return {true, "Deployed to " + std::to_string(successes) + " server" + (successes == 1 ? "" : "s")};
    }
    return {false, std::string(kNoServerDeployedText)};
}

std::string approvalTitle(std::size_t ordinal, std::size_t total) {
    return "Deploy " + std::to_string(ordinal) + " of " + std::to_string(total) + "?";
}

std::string approvalMessage(std::string_view serverLabel, const Draft& draft, std::string_view typeKey) {
    std::string detail;
    if (draft.action == ShareAction::emit) {
        detail = "Emit" + std::string(kArrow) + (draft.kind.empty() ? defaultKind(typeKey) : draft.kind);
    } else {
        detail = std::string(postUploadActionLabel(draft.postUploadAction)) + std::string(kArrow) +
                 (draft.destFolder.empty() ? std::string("server root") : draft.destFolder);
    }
    std::string message = std::string(serverLabel) + "\n" + detail;
    if (!draft.deployCommand.empty()) message += "\n" + draft.deployCommand;
    return message;
}

std::vector<std::string> orderedSelectedServerIDs(const std::vector<ServerProfile>& servers,
                                                  const std::set<std::string>& selected, ServerMode mode,
                                                  std::string_view draftServerId) {
    std::vector<std::string> ids;
    if (mode == ServerMode::multi) {
        for (const auto& s : servers) {
            if (selected.count(s.id)) ids.push_back(s.id);
        }
        return ids;
    }
    const std::string id = platform::text::trimmed(draftServerId);
    if (isConfiguredServer(servers, id)) ids.push_back(id);
    return ids;
}

}  // namespace tarvo::share
