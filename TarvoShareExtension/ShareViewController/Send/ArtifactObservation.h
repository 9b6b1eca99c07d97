#pragma once
// What the share tells a server after an upload whose recipe started: the project's
// fingerprint, where the artifact landed, the recipe chosen and the script candidates that
// existed and were selected. The server answers later recommendation requests from it.
#include <optional>
#include <string_view>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "platform/foundation/Json.h"

namespace tarvo::share {

// The fourteen-key body; nothing when the insight has no project signature (the payload was
// not a listed zip archive). `selected`: the candidates the draft selects, in order; the
// candidate list is the insight's base list, ranked from the archive alone.
std::optional<platform::Json> artifactObservationPayload(const ServerProfile& server, const Draft& draft,
                                                         std::string_view destination, std::string_view remotePath,
                                                         std::string_view filename, const ArtifactInsight& insight,
                                                         const ShellCandidates& selected);

// Whether a report is due at all: a remote path that is not blank.
bool shouldReportObservation(const std::optional<std::string>& remotePath);

}  // namespace tarvo::share
