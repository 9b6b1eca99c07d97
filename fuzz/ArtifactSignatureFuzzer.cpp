// Treats the input as a zip listing, one path a line, and checks what must hold for any
// listing: sorted stable paths, digests of 64 lowercase hex digits, a signature that survives
// its stored form, independence from entry order, and a ranking that sorts without fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"

namespace {

bool isDigest(const std::string& s) {
    return s.size() == 64 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<tarvo::ArtifactArchiveEntry> entries;
    std::vector<tarvo::ArtifactArchiveEntry> plain;  // same paths, one fingerprint for all
    std::uint32_t crc = 0x9e3779b9u;
    for (std::size_t start = 0; start <= input.size();) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        std::string path(input.substr(start, end - start));
        crc = crc * 16777619u ^ static_cast<std::uint32_t>(path.size());
        entries.push_back({path, crc, path.size() * 1000003ull});
        plain.push_back({path, 0, 0});
        start = end + 1;
    }

    auto signature = tarvo::ArtifactProjectSignature::make(entries);
    check(std::is_sorted(signature.normalizedPaths.begin(), signature.normalizedPaths.end()));
    check(std::is_sorted(signature.markers.begin(), signature.markers.end()));
    check(isDigest(signature.exactDigest) && isDigest(signature.pathDigest) && isDigest(signature.contentDigest));
    check(tarvo::ArtifactProjectSignature::fromJson(signature.toJson()) == signature);

    auto forward = tarvo::ArtifactProjectSignature::make(plain);
    std::reverse(plain.begin(), plain.end());
    check(tarvo::ArtifactProjectSignature::make(plain) == forward);

    auto candidates =
        tarvo::ArtifactCandidateRanker::candidates(entries, signature.markers, signature.scriptFingerprints);
    check(std::is_sorted(candidates.begin(), candidates.end(), tarvo::ArtifactCandidateRanker::ranksBefore));

    // The server echoing every script back with extreme history must not overflow the scores.
    tarvo::ArtifactRecommendationResponse response;
    for (const auto& c : candidates) {
        tarvo::ArtifactCandidateRecommendation r;
        r.scriptPath = c.path;
        r.relativePath = c.relativePath;
        r.score = static_cast<double>(c.score) * 1e300;
        r.successfulRunCount = (crc & 1u) != 0 ? INT64_MAX : INT64_MIN + c.depth;
        r.failedRunCount = (crc & 2u) != 0 ? INT64_MAX : -c.depth;
        r.evidence = {c.filename, c.parent};
        response.recommendations.push_back(std::move(r));
    }
    auto merged = tarvo::ArtifactCandidateRanker::merge(candidates, response);
    check(merged.size() == candidates.size());
    return 0;
}
