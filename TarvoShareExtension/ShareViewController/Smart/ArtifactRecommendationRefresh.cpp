#include "TarvoShareExtension/ShareViewController/Smart/ArtifactRecommendationRefresh.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string recommendationDestination(std::string_view destFolder) {
    return text::trimmingCharacters(text::trimmed(destFolder), "/");
}

std::string recommendationRequestKey(const ArtifactProjectSignature& signature, std::string_view destFolder) {
    return signature.exactDigest + "|" + recommendationDestination(destFolder);
}

std::vector<ServerProfile> recommendationServerOrder(const std::vector<ServerProfile>& servers,
                                                     std::string_view currentServerID,
                                                     const std::set<std::string>& selectedServerIDs) {
    auto group = [&](const ServerProfile& s) {
        if (s.id == currentServerID) return 0;
        return selectedServerIDs.count(s.id) != 0 ? 1 : 2;
    };
    std::vector<std::pair<ServerProfile, std::string>> labelled;
    labelled.reserve(servers.size());
    for (const auto& s : servers) labelled.emplace_back(s, s.displayLabel());
    std::stable_sort(labelled.begin(), labelled.end(), [&](const auto& a, const auto& b) {
        const int ga = group(a.first), gb = group(b.first);
        if (ga != gb) return ga < gb;
        return text::localizedCaseInsensitiveCompare(a.second, b.second) < 0;
    });
    std::vector<ServerProfile> out;
    out.reserve(labelled.size());
    for (auto& [server, label] : labelled) out.push_back(std::move(server));
    return out;
}

bool isBelievableRecommendationReply(const ArtifactRecommendationResponse& reply) {
    return reply.recommendations.size() <= kMaxRecommendationReplyItems &&
           (!reply.destinations || reply.destinations->size() <= kMaxRecommendationReplyItems);
}

std::string destinationSuggestionTitle(std::string_view path) {
    const std::string trimmedPath = recommendationDestination(path);
    return trimmedPath.empty() ? "Suggestion: server root" : "Suggestion: /" + trimmedPath;
}

}  // namespace tarvo::share
