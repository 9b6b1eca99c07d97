#include "TarvoShareExtension/ShareViewController/Send/ArtifactObservation.h"

#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

using platform::Json;

std::optional<Json> artifactObservationPayload(const ServerProfile& server, const Draft& draft,
                                               std::string_view destination, std::string_view remotePath,
                                               std::string_view filename, const ArtifactInsight& insight,
                                               const ShellCandidates& selected) {
    if (!insight.projectSignature) return std::nullopt;
    Json candidates = Json::array();
    for (const auto& c : insight.baseShellCandidates) candidates.push_back(scriptObject(c));
    Json chosen = Json::array();
    for (const auto& c : selected) chosen.push_back(scriptObject(c));

    Json body = Json::object();
    body["source"] = "share_extension";
    body["server_id"] = server.id;
    body["outcome"] = "uploaded";
    body["destination"] = std::string(destination);
    body["remote_path"] = std::string(remotePath);
    body["filename"] = std::string(filename);
    body["post_upload_action"] = std::string(rawValue(draft.postUploadAction));
    body["working_directory"] = std::string(rawValue(draft.deployWorkingDirectory));
    body["custom_working_directory"] = draft.deployCustomWorkingDirectory;
    body["deploy_command"] = draft.deployCommand;
    body["project_signature"] = signatureObject(insight.projectSignature);
    body["candidates"] = std::move(candidates);
    body["selected_candidate"] = selected.empty() ? Json::object() : scriptObject(selected.front());
    body["selected_candidates"] = std::move(chosen);
    return body;
}

bool shouldReportObservation(const std::optional<std::string>& remotePath) {
    return remotePath && !platform::text::trimmed(*remotePath).empty();
}

}  // namespace tarvo::share
