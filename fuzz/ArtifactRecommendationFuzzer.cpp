// Feeds arbitrary bytes to the recommendation-reply decoder. A reply either decodes or is
// refused with the platform's JSON errors; a decoded reply survives a round trip and can be
// merged into a ranking without undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "platform/foundation/ErrorInfo.h"

namespace {

const std::vector<tarvo::ArtifactShellCandidate>& localCandidates() {
    static const auto candidates = tarvo::ArtifactCandidateRanker::candidates(
        {{"Proj/build.sh", 1, 10}, {"Proj/scripts/deploy_ios.sh", 2, 20}, {"Proj/run.sh", 3, 30},
         {"Proj/Package.swift", 4, 40}},
        {"package.swift"}, {});
    return candidates;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    tarvo::ArtifactRecommendationResponse response;
    try {
        response = tarvo::ArtifactRecommendationResponse::decode(body);
    } catch (const platform::NSError&) {
        return 0;  // refused as malformed: the expected outcome for most inputs
    }
    if (tarvo::ArtifactRecommendationResponse::fromJson(response.toJson()) != response) {
        std::abort();
    }
    auto merged = tarvo::ArtifactCandidateRanker::merge(localCandidates(), response);
    if (merged.size() != localCandidates().size()) {
        std::abort();
    }
    return 0;
}
