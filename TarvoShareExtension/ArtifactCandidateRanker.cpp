#include "TarvoShareExtension/ArtifactCandidateRanker.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace text = platform::text;
using platform::Json;
namespace pj = platform::json;

std::int64_t artifactSaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_add_overflow(a, b, &out)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return out;
}

std::int64_t artifactSaturatingMultiply(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_mul_overflow(a, b, &out)) {
        return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min()
                                  : std::numeric_limits<std::int64_t>::max();
    }
    return out;
}

std::int64_t artifactRoundedScore(double score) {
    if (!std::isfinite(score)) {
        return 0;
    }
    double rounded = std::round(score);
    // 2^63 is exactly representable; anything at or above it does not fit.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (rounded >= kTwoTo63) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (rounded < -kTwoTo63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(rounded);
}

Json ArtifactShellCandidate::toJson() const {
    Json out = Json::object();
    out["path"] = path;
    out["relativePath"] = relativePath;
    out["parent"] = parent;
    out["filename"] = filename;
    out["depth"] = depth;
    if (fingerprint) {
        out["fingerprint"] = *fingerprint;
    }
    out["score"] = score;
    out["evidence"] = evidence;
    return out;
}

ArtifactShellCandidate ArtifactShellCandidate::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    ArtifactShellCandidate c;
    c.path = pj::requireString(object, "path");
    c.relativePath = pj::requireString(object, "relativePath");
    c.parent = pj::requireString(object, "parent");
    c.filename = pj::requireString(object, "filename");
    c.depth = pj::requireInt(object, "depth");
    c.fingerprint = pj::optionalString(object, "fingerprint");
    c.score = pj::requireInt(object, "score");
    c.evidence = pj::requireStringArray(object, "evidence");
    return c;
}

const std::map<std::string, std::int64_t>& ArtifactCandidateRanker::preferredNames() {
    static const std::map<std::string, std::int64_t> names{
        {"build_all.sh", 1120}, {"build.sh", 1060},   {"make.sh", 980},      {"test.sh", 940},
        {"check.sh", 900},      {"deploy_all.sh", 880}, {"deploy.sh", 840},  {"install.sh", 800},
        {"setup.sh", 760},      {"bootstrap.sh", 720}, {"run.sh", 700},      {"start.sh", 660},
        {"release.sh", 620},    {"clean.sh", 420}};
    return names;
}

const std::vector<std::string>& ArtifactCandidateRanker::targetWords() {
    static const std::vector<std::string> words{"ios", "android", "server", "config", "prod", "staging", "debug"};
    return words;
}

namespace {

bool contains(const std::string& haystack, std::string_view needle) {
    return haystack.find(needle) != std::string::npos;
}

void scoreCandidate(ArtifactShellCandidate& c, std::size_t markerCount) {
    const std::string name = artifactLowercased(c.filename);
    const std::string parent = artifactLowercased(c.parent);
    std::int64_t score = 0;
    auto earn = [&](std::int64_t points, const char* reason) {
        score += points;
        if (reason != nullptr) {
            c.evidence.emplace_back(reason);
        }
    };

    const auto& preferred = ArtifactCandidateRanker::preferredNames();
    if (auto found = preferred.find(name); found != preferred.end()) {
        earn(found->second, "common entry point");
    }
    if (c.depth == 1) {
        earn(420, "project root");
    } else if (c.depth == 2) {
        earn(220, "near project root");
    } else if (c.depth >= 3 && c.depth < 10) {
        earn(120 - 12 * c.depth, nullptr);
    }
    if (text::hasPrefix(name, "build")) {
        earn(180, "build name");
    }
    if (contains(name, "_all") || contains(name, "-all")) {
        earn(90, "whole project");
    }
    if (text::hasPrefix(name, "deploy")) {
        earn(120, "deployment name");
    }
    for (const auto& word : ArtifactCandidateRanker::targetWords()) {
        if (contains(name, "_" + word) || contains(name, "-" + word)) {
            earn(-90, "specific target");
            break;
        }
    }
    if (contains(parent, "script")) {
        earn(90, "scripts folder");
    }
    if (markerCount > 0) {
        earn(static_cast<std::int64_t>(std::min<std::size_t>(markerCount, 6) * 8), "project markers detected");
    }
    c.score = score;
}

}  // namespace

bool ArtifactCandidateRanker::ranksBefore(const ArtifactShellCandidate& a, const ArtifactShellCandidate& b) {
    if (a.score != b.score) {
        return a.score > b.score;
    }
    if (a.depth != b.depth) {
        return a.depth < b.depth;
    }
    return text::localizedCaseInsensitiveCompare(a.relativePath, b.relativePath) < 0;
}

void ArtifactCandidateRanker::sortByRank(std::vector<ArtifactShellCandidate>& candidates) {
    std::stable_sort(candidates.begin(), candidates.end(), ranksBefore);
}

std::vector<ArtifactShellCandidate> ArtifactCandidateRanker::candidates(
    const std::vector<ArtifactArchiveEntry>& entries, const std::vector<std::string>& markers,
    const std::map<std::string, std::string>& explicitFingerprints) {
    std::vector<std::pair<std::string, const ArtifactArchiveEntry*>> stable;
    stable.reserve(entries.size());
    for (const auto& entry : entries) {
        if (auto path = ArtifactProjectSignature::normalizeStablePath(entry.path)) {
            stable.emplace_back(std::move(*path), &entry);
        }
    }
    std::vector<std::string> paths;
    paths.reserve(stable.size());
    for (const auto& item : stable) {
        paths.push_back(item.first);
    }
    const std::optional<std::string> root = ArtifactProjectSignature::commonArchiveRoot(paths);

    std::vector<ArtifactShellCandidate> out;
    std::unordered_set<std::string> seen;
    for (const auto& [path, entry] : stable) {
        std::string lower = artifactLowercased(path);
        if (!text::hasSuffix(lower, ".sh")) {
            continue;
        }
        // Two spellings of one path that differ only in letter case are one script.
        if (!seen.insert(std::move(lower)).second) {
            continue;
        }
        std::vector<std::string> pieces = artifactPathPieces(path);
        ArtifactShellCandidate c;
        c.path = path;
        c.filename = pieces.empty() ? std::string() : pieces.back();
        if (!pieces.empty()) {
            pieces.pop_back();
        }
        c.parent = artifactJoinPieces(pieces);
        c.relativePath = artifactPathStrippingRoot(path, root);
        c.depth = static_cast<std::int64_t>(artifactPathPieces(c.relativePath).size());
        scoreCandidate(c, markers.size());
        auto given = explicitFingerprints.find(c.relativePath);
        c.fingerprint = given != explicitFingerprints.end() ? given->second : artifactEntryFingerprint(*entry);
        out.push_back(std::move(c));
    }
    sortByRank(out);
    return out;
}

std::vector<ArtifactShellCandidate> ArtifactCandidateRanker::merge(const std::vector<ArtifactShellCandidate>& local,
                                                                   const ArtifactRecommendationResponse& remote) {
    std::unordered_map<std::string, const ArtifactCandidateRecommendation*> byScriptPath;
    std::unordered_map<std::string, const ArtifactCandidateRecommendation*> byRelativePath;
    for (const auto& recommendation : remote.recommendations) {
        byScriptPath.try_emplace(artifactLowercased(recommendation.scriptPath), &recommendation);
        if (recommendation.relativePath) {
            byRelativePath.try_emplace(artifactLowercased(*recommendation.relativePath), &recommendation);
        }
    }

    std::vector<ArtifactShellCandidate> out;
    out.reserve(local.size());
    for (const auto& candidate : local) {
        const ArtifactCandidateRecommendation* x = nullptr;
        if (auto found = byScriptPath.find(artifactLowercased(candidate.path)); found != byScriptPath.end()) {
            x = found->second;
        } else if (auto byRel = byRelativePath.find(artifactLowercased(candidate.relativePath));
                   byRel != byRelativePath.end()) {
            x = byRel->second;
        }
        if (x == nullptr) {
            out.push_back(candidate);
            continue;
        }
        ArtifactShellCandidate merged = candidate;
        std::int64_t score = artifactSaturatingAdd(candidate.score, artifactRoundedScore(x->score));
        score = artifactSaturatingAdd(score, artifactSaturatingMultiply(1000, x->successfulRunCount));
        score = artifactSaturatingAdd(score, artifactSaturatingMultiply(-250, x->failedRunCount));
        merged.score = score;

        std::vector<std::string> evidence;
        if (x->successfulRunCount == 1) {
            evidence.emplace_back("succeeded here before");
        } else if (x->successfulRunCount >= 2) {
            evidence.push_back("succeeded here " + std::to_string(x->successfulRunCount) + "\u00D7");
        }
        evidence.insert(evidence.end(), x->evidence.begin(), x->evidence.end());
        evidence.insert(evidence.end(), candidate.evidence.begin(), candidate.evidence.end());
        if (x->failedRunCount >= 1) {
            evidence.push_back("previous failures: " + std::to_string(x->failedRunCount));
        }
        std::unordered_set<std::string> seen;
        merged.evidence.clear();
        for (auto& line : evidence) {
            if (seen.insert(artifactLowercased(line)).second) {
                merged.evidence.push_back(std::move(line));
            }
        }
        out.push_back(std::move(merged));
    }
    sortByRank(out);
    return out;
}

}  // namespace tarvo
