#pragma once
// The job a post-upload recipe is registered as: its payload, the run policy and the LLM
// capability that travel with the shell line, and the notification delivery of the server the
// policy names. Pure builders over the draft, the server profile and the controller state they
// are handed; the keys are the server's (snake_case) and fixed.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ShareRunContract.h"
#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "platform/foundation/Json.h"

namespace tarvo::share {

// Where a server's run notifications go: the server's relay and device override the app
// group's ("push.relayBaseURL", "push.deviceId"), the app group's relay token
// ("push.relayAuthToken") the server's own token; named by the server identity digest and the
// server's label.
ShareRunNotificationDelivery notificationDelivery(const ServerProfile& server, std::string_view sharedRelayURL,
                                                  std::string_view sharedRelayAuthToken,
                                                  std::string_view sharedDeviceID);

// What the controller contributes to a recipe besides the draft and the server.
struct PostUploadRecipeContext {
    ArtifactInsight insight;  // the current insight: candidates, signature, recommendation
    ShareRunNotificationDelivery delivery;  // notificationDelivery of the server
    bool returnResult = false;              // the return-result switch is on
    std::optional<platform::Json> interactionReply;  // the reply ticket as an object, when there is one
};

// A run is finite unless the action runs a command and the draft says persistent.
ShareExpectedLifetime effectivePostUploadLifetime(const Draft& draft, PostUploadAction action);
// The draft's rule for a persistent run of a command; no readiness check otherwise.
ShareReadinessRule effectivePostUploadReadiness(const Draft& draft, PostUploadAction action);

// "Run 2 scripts", "Run <relative path>", or the action's label and the file name
// ("Unzip + Run app.zip").
std::string postUploadJobTitle(const ShellCandidates& selected, PostUploadAction action, std::string_view filename);
// "None", "Unzip", "Run", "Unzip + Run".
std::string_view postUploadActionLabel(PostUploadAction action);

// {"path", "relative_path", "fingerprint"} ("" for an absent fingerprint).
platform::Json scriptObject(const ArtifactShellCandidate& candidate);
// The signature under snake_case keys, or {} without one.
platform::Json signatureObject(const std::optional<ArtifactProjectSignature>& signature);

// "uploadFolder", "extractedFolder" (only when the action unzips, else "uploadFolder") or
// "custom" (also when an empty custom path fell back to another folder).
std::string_view workingDirectoryKind(const Draft& draft, PostUploadAction action);

// The run policy: source, recipe, working directory and its kind, lifetime, readiness,
// "selected_scripts" only when there are any, "notify" (the sorted events and the delivery's
// fields), and "interaction_reply" only when asked for and present.
platform::Json postUploadRunPolicy(const Draft& draft, PostUploadAction action, std::string_view workingDirectory,
                                   const ShellCandidates& selectedScripts, const PostUploadRecipeContext& context);

// {} without an LLM endpoint on the server; else the endpoint and its source, the model, the
// project's identity and the server's run history when the insight has them.
platform::Json postUploadLLMCapability(const ServerProfile& server, const ArtifactInsight& insight);

// Everything one recipe start sends, built before anything is sent.
struct PostUploadRecipe {
    std::string folder;            // parent folder of the remote path
    std::string stem;
    std::string extractPath;
    std::string workingDirectory;
    std::string command;           // the rendered command
    std::string shellLine;
    std::map<std::string, std::string> environment;
    ShellCandidates selectedScripts;
    platform::Json runPolicy;
    platform::Json llm;
    platform::Json payload;        // the job: 13 keys, "execution" holding the five above
};

// Why a recipe must not start, as the text of an upload failure; nothing when it may start.
// An unzipping recipe needs a zip archive (by file name, else by remote path) and an extraction
// folder that is not the uploaded file itself (a remote path without an extension to strip).
std::optional<std::string> postUploadRecipeRefusal(PostUploadAction action, std::string_view filename,
                                                   std::string_view remotePath);

// The recipe for the uploaded file. Call only for an action other than none that
// postUploadRecipeRefusal lets through.
PostUploadRecipe makePostUploadRecipe(const ServerProfile& server, const Draft& draft, std::string_view remotePath,
                                      std::string_view filename, const PostUploadRecipeContext& context);

}  // namespace tarvo::share
