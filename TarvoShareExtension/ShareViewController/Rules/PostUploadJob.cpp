#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"

#include <algorithm>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;
using platform::Json;

namespace {

constexpr std::size_t kHistoryEntries = 5;

Json stringArray(const std::vector<std::string>& values, std::size_t limit = SIZE_MAX) {
    Json out = Json::array();
    for (std::size_t i = 0; i < values.size() && i < limit; ++i) out.push_back(values[i]);
    return out;
}

Json sortedEventNames(const ShareRunNotificationPolicy& policy) {
    std::vector<std::string> names;
    for (auto event : policy.events) names.emplace_back(rawValue(event));
    std::sort(names.begin(), names.end());
    return stringArray(names);
}

bool endsWithZip(std::string_view name) {
    return text::hasSuffix(text::lowercased(text::trimmed(name)), ".zip");
}

}  // namespace

ShareRunNotificationDelivery notificationDelivery(const ServerProfile& server, std::string_view sharedRelayURL,
                                                  std::string_view sharedRelayAuthToken,
                                                  std::string_view sharedDeviceID) {
    ShareRunNotificationDelivery::Sources sources;
    sources.serverURL = server.trimmedURLString();
    sources.serverToken = text::trimmed(server.token);
    sources.serverRelayURL = text::trimmed(server.runPushRelayURLString);
    sources.serverDeviceID = text::trimmed(server.runPushDeviceID);
    sources.sharedRelayURL = std::string(sharedRelayURL);
    sources.sharedRelayAuthToken = std::string(sharedRelayAuthToken);
    sources.sharedDeviceID = std::string(sharedDeviceID);
    sources.serverIdentity = serverIdentityDigest(server);
    sources.serverLabel = server.displayLabel();
    return ShareRunNotificationDelivery(sources);
}

ShareExpectedLifetime effectivePostUploadLifetime(const Draft& draft, PostUploadAction action) {
    return runsCommand(action) ? draft.expectedLifetime : ShareExpectedLifetime::finite;
}

ShareReadinessRule effectivePostUploadReadiness(const Draft& draft, PostUploadAction action) {
    if (effectivePostUploadLifetime(draft, action) == ShareExpectedLifetime::persistent) return draft.readinessRule;
    return Draft::defaultReadinessRule(ShareExpectedLifetime::finite);
}

std::string_view postUploadActionLabel(PostUploadAction action) {
    switch (action) {
        case PostUploadAction::none: return "None";
        case PostUploadAction::unzip: return "Unzip";
        case PostUploadAction::run: return "Run";
        case PostUploadAction::unzipThenRun: return "Unzip + Run";
    }
    return "";
}

std::string postUploadJobTitle(const ShellCandidates& selected, PostUploadAction action, std::string_view filename) {
    if (selected.size() >= 2) return "Run " + std::to_string(selected.size()) + " scripts";
    if (selected.size() == 1) return "Run " + selected.front().relativePath;
    return std::string(postUploadActionLabel(action)) + " " + std::string(filename);
}

Json scriptObject(const ArtifactShellCandidate& candidate) {
    Json j = Json::object();
    j["path"] = candidate.path;
    j["relative_path"] = candidate.relativePath;
    j["fingerprint"] = candidate.fingerprint.value_or("");
    return j;
}

Json signatureObject(const std::optional<ArtifactProjectSignature>& signature) {
    Json j = Json::object();
    if (!signature) return j;
    Json fingerprints = Json::object();
    for (const auto& [path, fingerprint] : signature->scriptFingerprints) fingerprints[path] = fingerprint;
    j["exact_digest"] = signature->exactDigest;
    j["path_digest"] = signature->pathDigest;
    j["content_digest"] = signature->contentDigest;
    j["normalized_paths"] = stringArray(signature->normalizedPaths);
    j["markers"] = stringArray(signature->markers);
    j["script_fingerprints"] = std::move(fingerprints);
    return j;
}

std::string_view workingDirectoryKind(const Draft& draft, PostUploadAction action) {
    switch (draft.deployWorkingDirectory) {
        case PostUploadWorkingDirectory::uploadFolder: return "uploadFolder";
        case PostUploadWorkingDirectory::extractedFolder: return needsUnzip(action) ? "extractedFolder" : "uploadFolder";
        case PostUploadWorkingDirectory::custom: return "custom";
    }
    return "uploadFolder";
}

Json postUploadRunPolicy(const Draft& draft, PostUploadAction action, std::string_view workingDirectory,
                         const ShellCandidates& selectedScripts, const PostUploadRecipeContext& context) {
    Json policy = Json::object();
    policy["source"] = "share_extension";
    policy["recipe"] = std::string(rawValue(action));
    policy["working_directory"] = std::string(workingDirectory);
    policy["working_directory_kind"] = std::string(workingDirectoryKind(draft, action));
    policy["expected_lifetime"] = std::string(rawValue(effectivePostUploadLifetime(draft, action)));
    policy["readiness"] = effectivePostUploadReadiness(draft, action).dictionary();
    if (!selectedScripts.empty()) {
        Json scripts = Json::array();
        for (const auto& c : selectedScripts) scripts.push_back(scriptObject(c));
        policy["selected_scripts"] = std::move(scripts);
    }
    Json notify = Json::object();
    notify["events"] = sortedEventNames(draft.notificationPolicy);
    for (const auto& [key, value] : context.delivery.fields()) notify[key] = value;
    policy["notify"] = std::move(notify);
    if (context.returnResult && context.interactionReply) policy["interaction_reply"] = *context.interactionReply;
    return policy;
}

Json postUploadLLMCapability(const ServerProfile& server, const ArtifactInsight& insight) {
    Json llm = Json::object();
    const std::string endpoint = text::trimmed(server.llmEndpointURLString);
    if (endpoint.empty()) return llm;
    llm["endpoint"] = endpoint;
    llm["source"] = "server_profile";
    if (const std::string model = text::trimmed(server.llmModel); !model.empty()) llm["model"] = model;
    if (const auto& signature = insight.projectSignature) {
        Json identity = Json::object();
        identity["exact_digest"] = signature->exactDigest;
        identity["path_digest"] = signature->pathDigest;
        identity["content_digest"] = signature->contentDigest;
        identity["markers"] = stringArray(signature->markers);
        identity["script_count"] = signature->scriptFingerprints.size();
        llm["artifact_identity"] = std::move(identity);
    }
    if (const auto& recommendation = insight.recommendation) {
        Json scripts = Json::array();
        for (std::size_t i = 0; i < recommendation->recommendations.size() && i < kHistoryEntries; ++i) {
            const auto& r = recommendation->recommendations[i];
            Json s = Json::object();
            s["script_path"] = r.scriptPath;
            s["relative_path"] = r.relativePath.value_or("");
            s["score"] = r.score;
            s["evidence"] = stringArray(r.evidence, kHistoryEntries);
            scripts.push_back(std::move(s));
        }
        Json destinations = Json::array();
        if (recommendation->destinations) {
            const auto& list = *recommendation->destinations;
            for (std::size_t i = 0; i < list.size() && i < kHistoryEntries; ++i) {
                Json d = Json::object();
                d["path"] = list[i].path;
                d["score"] = list[i].score;
                d["evidence"] = stringArray(list[i].evidence, kHistoryEntries);
                destinations.push_back(std::move(d));
            }
        }
        Json history = Json::object();
        history["decision"] = std::string(rawValue(recommendation->decision));
        history["exact_match"] = recommendation->exactMatch;
        history["scripts"] = std::move(scripts);
        history["destinations"] = std::move(destinations);
        llm["artifact_history"] = std::move(history);
    }
    return llm;
}

std::optional<std::string> postUploadRecipeRefusal(PostUploadAction action, std::string_view filename,
                                                   std::string_view remotePath) {
    if (!needsUnzip(action)) return std::nullopt;
    if (!endsWithZip(filename) && !endsWithZip(remotePath)) {
        return "after-upload unzip selected, but " + std::string(filename) + " is not a .zip file";
    }
    // The first step of the recipe empties the extraction folder; when that folder is the
    // uploaded file itself, the recipe would delete the upload before unzipping it.
    const std::string extractPath = extractPathFor(parentFolder(remotePath), archiveStem(remotePath));
    if (extractPath == artifactJoinPieces(artifactPathPieces(remotePath))) {
        return "after-upload unzip selected, but the extraction folder " + extractPath + " is the uploaded file itself";
    }
    return std::nullopt;
}

PostUploadRecipe makePostUploadRecipe(const ServerProfile& server, const Draft& draft, std::string_view remotePath,
                                      std::string_view filename, const PostUploadRecipeContext& context) {
    const PostUploadAction action = draft.postUploadAction;
    PostUploadRecipe r;
    r.folder = parentFolder(remotePath);
    r.stem = archiveStem(remotePath);
    r.extractPath = extractPathFor(r.folder, r.stem);
    r.workingDirectory =
        resolvePostUploadWorkingDirectory(draft, action, r.folder, r.extractPath, remotePath, r.stem);
    r.command = renderDeployCommand(draft.deployCommand, remotePath, r.folder, r.stem, r.extractPath);
    r.shellLine = buildPostUploadShellLine(action, remotePath, r.folder, r.extractPath, r.workingDirectory, r.command);
    r.environment = postUploadEnvironment(server);
    r.llm = postUploadLLMCapability(server, context.insight);
    r.selectedScripts = selectedArtifactCandidates(draft, context.insight.shellCandidates);
    r.runPolicy = postUploadRunPolicy(draft, action, r.workingDirectory, r.selectedScripts, context);

    const ArtifactShellCandidate* first = r.selectedScripts.empty() ? nullptr : &r.selectedScripts.front();
    Json scripts = Json::array();
    for (const auto& c : r.selectedScripts) scripts.push_back(scriptObject(c));
    Json env = Json::object();
    for (const auto& [name, value] : r.environment) env[name] = value;
    Json execution = Json::object();
    execution["shell_line"] = r.shellLine;
    execution["cwd"] = "";
    execution["env"] = std::move(env);
    execution["run_policy"] = r.runPolicy;
    execution["llm"] = r.llm;

    Json& p = r.payload = Json::object();
    p["title"] = postUploadJobTitle(r.selectedScripts, action, filename);
    p["source"] = "share_extension";
    p["script_path"] = first ? first->path : "";
    p["script_relative_path"] = first ? first->relativePath : "";
    p["script_fingerprint"] = first ? first->fingerprint.value_or("") : "";
    p["selected_scripts"] = std::move(scripts);
    p["destination"] = r.folder;
    p["working_directory"] = r.workingDirectory;
    p["expected_lifetime"] = std::string(rawValue(effectivePostUploadLifetime(draft, action)));
    p["readiness"] = effectivePostUploadReadiness(draft, action).dictionary();
    p["notification_events"] = sortedEventNames(draft.notificationPolicy);
    p["project_signature"] = signatureObject(context.insight.projectSignature);
    p["execution"] = std::move(execution);
    return r;
}

}  // namespace tarvo::share
