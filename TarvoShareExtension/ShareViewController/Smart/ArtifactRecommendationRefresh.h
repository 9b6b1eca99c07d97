#pragma once
// When the share asks the servers for recommendations about the shared project, in which
// order, and what a reply may change: the request key of a server (the project and the folder
// it goes to), the order the servers are asked in, the replies too large to be believed, and the
// destination suggestion's title. Pure functions; the controller sends and applies.
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"

namespace tarvo::share {

// The pause that lets a burst of schedulings (typing in the destination field) collapse into one
// batch of requests.
inline constexpr int kRecommendationDelayMilliseconds = 250;

// A reply listing more scripts or folders than an archive listing can hold is not a reply about
// this project; it is dropped like a failed request.
inline constexpr std::size_t kMaxRecommendationReplyItems = 4000;

// The folder trimmed of blanks and line breaks, then of "/" at both ends.
std::string recommendationDestination(std::string_view destFolder);

// "<exactDigest>|<destination>": the same key asks the same question.
std::string recommendationRequestKey(const ArtifactProjectSignature& signature, std::string_view destFolder);

// The servers in asking order (stable): the current draft's server, then the selected ones, then
// the rest; each group by display label ignoring case.
std::vector<ServerProfile> recommendationServerOrder(const std::vector<ServerProfile>& servers,
                                                     std::string_view currentServerID,
                                                     const std::set<std::string>& selectedServerIDs);

// Whether a decoded reply is small enough to be about one archive.
bool isBelievableRecommendationReply(const ArtifactRecommendationResponse& reply);

// "Suggestion: /<path>" or "Suggestion: server root" for a path that trims to nothing.
std::string destinationSuggestionTitle(std::string_view path);

}  // namespace tarvo::share
