#pragma once
// Runnable shell scripts of a shared project, scored by how likely each is the project's entry
// point, and re-ranked with what a server remembers of earlier runs.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "platform/foundation/Json.h"

namespace tarvo {

struct ArtifactShellCandidate {
    std::string path;          // stable path, archive root folder included
    std::string relativePath;  // path inside the uploaded project (root folder removed)
    std::string parent;        // folder of path ("" for a top-level script)
    std::string filename;
    std::int64_t depth = 0;    // pieces of relativePath: 1 at the project root
    std::optional<std::string> fingerprint;  // "%08x:%llu"
    std::int64_t score = 0;    // higher is better; may be negative
    std::vector<std::string> evidence;  // reasons, in the order they were earned

    bool operator==(const ArtifactShellCandidate&) const = default;

    platform::Json toJson() const;
    // Strict: every key but "fingerprint" required; throws platform::DecodingError.
    static ArtifactShellCandidate fromJson(const platform::Json& json);
};

struct ArtifactCandidateRanker {
    // Lowercased file name -> base score of the usual entry-point names.
    static const std::map<std::string, std::int64_t>& preferredNames();
    // Suffix words ("_ios", "-prod", ...) that mark a script for one target, not the project.
    static const std::vector<std::string>& targetWords();

    // Every shell script of the listing, best first. markers: only their count matters.
    // explicitFingerprints: relative path -> fingerprint that replaces the entry's own.
    static std::vector<ArtifactShellCandidate> candidates(
        const std::vector<ArtifactArchiveEntry>& entries, const std::vector<std::string>& markers,
        const std::map<std::string, std::string>& explicitFingerprints);

    // The same candidates with the server's run history folded into score and evidence,
    // re-ranked. A script path the server lists twice counts once, its first listing.
    static std::vector<ArtifactShellCandidate> merge(const std::vector<ArtifactShellCandidate>& local,
                                                     const ArtifactRecommendationResponse& remote);

    // The ranking order: higher score, then shallower, then relative path in reading order
    // ignoring case.
    static bool ranksBefore(const ArtifactShellCandidate& a, const ArtifactShellCandidate& b);
    static void sortByRank(std::vector<ArtifactShellCandidate>& candidates);
};

// Integer arithmetic on scores that saturates at the ends of the 64-bit range.
std::int64_t artifactSaturatingAdd(std::int64_t a, std::int64_t b);
std::int64_t artifactSaturatingMultiply(std::int64_t a, std::int64_t b);
// A server's score as a whole number: rounded half away from zero, a value that is not finite
// counts as 0, and values beyond the 64-bit range are clamped to it.
std::int64_t artifactRoundedScore(double score);

}  // namespace tarvo
