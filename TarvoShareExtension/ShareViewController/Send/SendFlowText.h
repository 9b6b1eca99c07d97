#pragma once
// The texts and small decisions of the send flows (emit, upload, several servers): status
// lines, failure summaries, the emit's meta and route documents, the completion messages, the
// per-server run states and approval alerts. Pure functions; the controller shows the results.
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentText.h"
#include "TarvoShareExtension/ShareViewController/Recipe/PostUploadRecipeLaunch.h"

namespace tarvo::share {

// ---- Item progress ("Sending 2/3…", "Preparing 2/3…", "Starting recipe 2/3…").
std::string sendingStatus(std::size_t ordinal, std::size_t count);
std::string preparingItemStatus(std::size_t ordinal, std::size_t count);
std::string startingRecipeStatus(std::size_t ordinal, std::size_t count);

// One failed item of an upload: "2/3: <text>".
std::string uploadErrorLine(std::size_t ordinal, std::size_t count, std::string_view text);
// "Done with N error(s):\n" and the first three lines joined by line breaks.
std::string itemFailureSummary(const std::vector<std::string>& lines);

// ---- Emit.
inline constexpr std::string_view kInvalidReceptionistURLText = "Invalid receptionist URL.";
inline constexpr std::string_view kMissingReceptionistTokenText = "Missing receptionist token.";
inline constexpr std::string_view kSentText = "Sent";
// What the meta document is when it cannot be written.
inline constexpr std::string_view kFallbackShareMetaJSON = R"({"schema":1,"note":"share_extension","via":"ios_share"})";

// The kind an emit carries: the draft's kind trimmed, else the payload's default kind.
std::string emitKind(std::string_view draftKind, std::string_view typeKey);
// {"schema":1,"note","via","type_key","bias_key","requested_kind"} and "source_bundle_id" only
// for a non-blank bundle id (trimmed), as compact JSON.
std::string makeShareMetaJSON(std::string_view typeKey, std::string_view biasKey,
                              const std::optional<std::string>& sourceBundleID, std::string_view requestedKind);
// The route of the draft's reply-to and only-agents texts as JSON; nothing when both are blank.
std::optional<std::string> emitRouteJSON(std::string_view replyTo, std::string_view onlyAgents);
// The device an emit names: "ipad" for a pad, else "iphone".
std::string_view emitDeviceID(bool padIdiom);

// ---- Upload.
inline constexpr std::string_view kInvalidServerURLOrTokenText = "Invalid server URL or token.";
inline constexpr std::string_view kUploadedText = "Uploaded";

// The item that gets the recipe: the only item, or the one the insight scan chose.
bool isPrimaryArtifact(std::size_t index, std::size_t count, const std::optional<std::size_t>& primaryIndex);
// "Run accepted · <run id>[ · <job id>]" after a started recipe, else "Uploaded".
std::string uploadCompletionMessage(const std::optional<PostUploadRecipeLaunch>& launch, PostUploadAction action);

// ---- Several servers.
inline constexpr std::string_view kRunStateWaiting = "Waiting";
inline constexpr std::string_view kRunStateSkipped = "Skipped";
inline constexpr std::string_view kRunStateRunning = "Running";
inline constexpr std::string_view kRunStateSucceeded = "Succeeded";
inline constexpr std::string_view kSelectAtLeastOneServerText = "Select at least one server.";
inline constexpr std::string_view kNoServerDeployedText = "No server was deployed.";
// The approval alert's buttons are the linked deployment's: kSkipTitle and kDeployTitle
// (LinkedDeploymentText.h).

// "Failed · <error>".
std::string failedRunState(std::string_view error);
// "<label> · 2/3".
std::string multiServerStatus(std::string_view label, std::size_t ordinal, std::size_t total);

// How a run over several servers ends: a completion with its message, or a failure text.
struct MultiSendSummary {
    bool completes = false;
    std::string message;
    bool operator==(const MultiSendSummary&) const = default;
};
// Failures: "<n> succeeded · <m> failed\n" and the first two lines; else "Deployed to N
// server(s)" for at least one success; else "No server was deployed.".
MultiSendSummary multiSendSummary(std::size_t successes, const std::vector<std::string>& failureLines);

// The approval alert before one server: "Deploy 1 of 3?", and the server's label, the detail
// line ("Emit → <kind>" or "<recipe> → <folder or server root>") and the command when there is
// one, a line each.
std::string approvalTitle(std::size_t ordinal, std::size_t total);
std::string approvalMessage(std::string_view serverLabel, const Draft& draft, std::string_view typeKey);

// The servers a send addresses, in list order: the selected ones in multi mode; in single mode
// the draft's trimmed server id when it is configured.
std::vector<std::string> orderedSelectedServerIDs(const std::vector<ServerProfile>& servers,
                                                  const std::set<std::string>& selected, ServerMode mode,
                                                  std::string_view draftServerId);

}  // namespace tarvo::share
