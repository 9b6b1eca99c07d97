// How similar two projects are, and which remembered preset or automatic configuration fits
// the project being shared.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace text = platform::text;

namespace {

constexpr double kNoSignaturePlanScore = 0.28;
constexpr double kNoReferenceScore = 0.36;
constexpr double kNewProjectPlanScore = 0.42;
constexpr double kExplicitAutomaticMinimum = 0.56;
constexpr double kProposalMinimum = 0.62;
constexpr double kAutoApplyMinimum = 0.86;

std::string percent(double fraction) {
    return std::to_string(static_cast<long long>(std::round(fraction * 100.0)));
}

bool contains(const std::vector<std::string>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::set<std::string> fingerprintValues(const ArtifactProjectSignature& signature) {
    std::set<std::string> out;
    for (const auto& [path, fingerprint] : signature.scriptFingerprints) {
        out.insert(fingerprint);
    }
    return out;
}

std::size_t sharedCount(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::size_t count = 0;
    for (const auto& item : a) {
        count += b.count(item);
    }
    return count;
}

// Later first; a time that is not a number sorts as the oldest rather than breaking the sort.
double recency(double epoch) {
    return std::isnan(epoch) ? -std::numeric_limits<double>::infinity() : epoch;
}

}  // namespace

double SmartSharePresetMemoryStore::jaccard(const std::set<std::string>& a, const std::set<std::string>& b) {
    if (a.empty() && b.empty()) {
        return 0;
    }
    std::size_t shared = sharedCount(a, b);
    return static_cast<double>(shared) / static_cast<double>(a.size() + b.size() - shared);
}

namespace {

// The sets of a signature that scoring compares, made once per signature: resolving the plans
// compares the shared project with every remembered preset of every server. A preset's paths
// are then compared as they are listed, each looked up once, without sets of their own.
struct PreparedSignature {
    const ArtifactProjectSignature& signature;
    std::set<std::string> markers;
    std::set<std::string> paths;
    std::set<std::string> shapes;
    std::set<std::string> fingerprints;
    // The project's shapes numbered, and each of its paths with the number of its shape.
    std::unordered_map<std::string_view, std::size_t> shapeNumber;
    std::unordered_map<std::string_view, std::size_t> shapeOfPath;
    // Which shapes the preset being compared has shown so far (marked with the comparison's
    // number, so nothing is cleared between presets).
    mutable std::vector<std::uint64_t> shapeSeenIn;
    mutable std::uint64_t comparison = 0;

    explicit PreparedSignature(const ArtifactProjectSignature& s)
        : signature(s),
          markers(s.markers.begin(), s.markers.end()),
          paths(s.normalizedPaths.begin(), s.normalizedPaths.end()),
          fingerprints(fingerprintValues(s)) {
        std::vector<std::pair<std::string_view, const std::string*>> shapeByPath;
        shapeByPath.reserve(paths.size());
        for (const auto& path : paths) shapeByPath.emplace_back(path, &*shapes.insert(artifactPathShape(path)).first);
        shapeNumber.reserve(shapes.size());
        for (const auto& shape : shapes) shapeNumber.emplace(shape, shapeNumber.size());
        shapeOfPath.reserve(paths.size());
        for (const auto& [path, shape] : shapeByPath) shapeOfPath.emplace(path, shapeNumber.at(*shape));
        shapeSeenIn.assign(shapes.size(), 0);
    }
    PreparedSignature(const PreparedSignature&) = delete;
    PreparedSignature& operator=(const PreparedSignature&) = delete;
};

// |A ∩ B| / |A ∪ B| from the sizes of both sets and of what they share; 0 for two empty sets.
double jaccardOfCounts(std::size_t a, std::size_t b, std::size_t shared) {
    if (a == 0 && b == 0) {
        return 0;
    }
    return static_cast<double>(shared) / static_cast<double>(a + b - shared);
}

// The Jaccard indexes of the project's paths and of their shapes against a preset's paths.
std::pair<double, double> pathAndShapeOverlap(const PreparedSignature& prepared, const std::vector<std::string>& paths) {
    // A sorted list without repeats (as signatures are made) needs no set to count it.
    const bool distinctAlready =
        std::adjacent_find(paths.begin(), paths.end(), [](const auto& x, const auto& y) { return !(x < y); }) ==
        paths.end();
    std::unordered_set<std::string_view> seenPaths;
    std::unordered_set<std::string> otherShapes;
    const std::uint64_t comparison = ++prepared.comparison;
    std::size_t distinctPaths = 0, sharedPaths = 0, distinctShapes = 0, sharedShapes = 0;
    for (const auto& path : paths) {
        if (!distinctAlready && !seenPaths.insert(path).second) continue;
        ++distinctPaths;
        std::size_t shape = 0;
        if (auto known = prepared.shapeOfPath.find(path); known != prepared.shapeOfPath.end()) {
            ++sharedPaths;
            shape = known->second;
        } else {
            std::string made = artifactPathShape(path);
            auto number = prepared.shapeNumber.find(made);
            if (number == prepared.shapeNumber.end()) {
                if (otherShapes.insert(std::move(made)).second) ++distinctShapes;
                continue;
            }
            shape = number->second;
        }
        if (prepared.shapeSeenIn[shape] != comparison) {
            prepared.shapeSeenIn[shape] = comparison;
            ++distinctShapes;
            ++sharedShapes;
        }
    }
    return {jaccardOfCounts(prepared.paths.size(), distinctPaths, sharedPaths),
            jaccardOfCounts(prepared.shapes.size(), distinctShapes, sharedShapes)};
}

SmartShareScore preparedSignatureScore(const PreparedSignature& prepared,
                                       const std::optional<ArtifactProjectSignature>& reference) {
    if (!reference) {
        return {kNoReferenceScore, {"preset has no DNA yet"}};
    }
    const ArtifactProjectSignature& signature = prepared.signature;
    const ArtifactProjectSignature& r = *reference;
    SmartShareScore result;
    auto add = [&](double weight, std::string reason) {
        result.score += weight;
        result.evidence.push_back(std::move(reason));
    };
    if (signature.exactDigest == r.exactDigest) {
        add(0.42, "exact tree match");
    }
    if (signature.pathDigest == r.pathDigest) {
        add(0.22, "path shape match");
    }
    // Two projects without scripts share the digest of nothing; that is not a match.
    if (signature.contentDigest == r.contentDigest && !signature.contentDigest.empty() &&
        !signature.scriptFingerprints.empty() && !r.scriptFingerprints.empty()) {
        add(0.18, "script contents match");
    }
    double markers = SmartSharePresetMemoryStore::jaccard(prepared.markers,
                                                          std::set<std::string>(r.markers.begin(), r.markers.end()));
    if (markers > 0) {
        add(0.14 * markers, "markers " + percent(markers) + "%");
    }
    const auto [paths, shape] = pathAndShapeOverlap(prepared, r.normalizedPaths);
    if (paths > 0) {
        add(0.10 * paths, "shared paths " + percent(paths) + "%");
    }
    if (shape > 0) {
        add(0.18 * shape, "tree landmarks " + percent(shape) + "%");
    }
    std::size_t sameScripts = sharedCount(prepared.fingerprints, fingerprintValues(r));
    if (sameScripts > 0) {
        add(std::min(0.06 * static_cast<double>(sameScripts), 0.18), "same script byteprint");
    }
    result.score = std::min(result.score, 1.0);
    return result;
}

SmartShareScore preparedScore(const PreparedSignature& prepared, const SmartSharePreset& preset) {
    if (!preset.signature) {
        return {kNoReferenceScore, {"preset has no DNA yet"}};
    }
    SmartShareScore result = preparedSignatureScore(prepared, preset.signature);
    std::size_t accepted = 0;
    for (const auto& entry : preset.evidence) {
        using O = SmartSharePresetEvidence::Outcome;
        if (entry.outcome == O::uploaded || entry.outcome == O::accepted) {
            ++accepted;
        }
    }
    if (accepted > 0) {
        result.score += std::min(0.025 * static_cast<double>(accepted), 0.12);
        result.evidence.push_back("history " + std::to_string(accepted) + " accepted run" +
                                  (accepted == 1 ? "" : "s"));
    }
    result.score = std::min(result.score, 1.0);
    return result;
}

}  // namespace

SmartShareScore SmartSharePresetMemoryStore::signatureScore(const ArtifactProjectSignature& signature,
                                                            const std::optional<ArtifactProjectSignature>& reference) {
    return preparedSignatureScore(PreparedSignature(signature), reference);
}

SmartShareScore SmartSharePresetMemoryStore::score(const ArtifactProjectSignature& signature,
                                                   const SmartSharePreset& preset) {
    return preparedScore(PreparedSignature(signature), preset);
}

bool SmartSharePresetMemoryStore::hasIdentityEvidence(const std::vector<std::string>& evidence) {
    if (contains(evidence, "exact tree match") || contains(evidence, "script contents match") ||
        contains(evidence, "same script byteprint")) {
        return true;
    }
    if (!contains(evidence, "path shape match")) {
        return false;
    }
    return std::any_of(evidence.begin(), evidence.end(),
                       [](const std::string& item) { return text::hasPrefix(item, "tree landmarks "); });
}

std::string SmartSharePresetMemoryStore::category(const std::optional<ArtifactProjectSignature>& signature) {
    std::set<std::string> markers;
    if (signature) {
        for (const auto& marker : signature->markers) {
            markers.insert(artifactLowercased(marker));
        }
    }
    auto has = [&](const char* marker) { return markers.count(marker) != 0; };
    if (has("package.swift") || has("podfile")) return "swift";
    if (has("package.json")) return "node";
    if (has("pyproject.toml") || has("requirements.txt")) return "python";
    if (has("dockerfile")) return "container";
    return "unknown";
}

namespace {

// One server's plan; the project's sets are prepared at the first preset that needs them and
// kept for the next server. Owner is the store's (private) lists, of which the plan's preset
// shares the ownership.
template <class Owner>
SmartShareResolvedPlan resolvePlan(const std::shared_ptr<Owner>& owner, const std::string& serverID,
                                   const ArtifactProjectSignature* signature,
                                   const std::string& fallbackFolder, std::optional<PreparedSignature>& prepared) {
    if (!signature) {
        return {std::nullopt, kNoSignaturePlanScore, {"no structural signature available"}, fallbackFolder, false};
    }
    struct Scored {
        const SmartSharePreset* preset;
        SmartShareScore score;
    };
    std::vector<Scored> scored;
    for (const auto& preset : owner->presets) {
        if (preset.serverID == serverID) {
            if (!prepared) prepared.emplace(*signature);
            scored.push_back({&preset, preparedScore(*prepared, preset)});
        }
    }
    std::stable_sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) {
        if (a.score.score != b.score.score) {
            return a.score.score > b.score.score;
        }
        if (a.preset->isExplicitAutomatic != b.preset->isExplicitAutomatic) {
            return a.preset->isExplicitAutomatic;
        }
        return recency(a.preset->updatedAtEpoch) > recency(b.preset->updatedAtEpoch);
    });

    const Scored* explicitMatch = nullptr;
    for (const auto& item : scored) {
        if (item.preset->isExplicitAutomatic && item.score.score >= kExplicitAutomaticMinimum &&
            SmartSharePresetMemoryStore::hasIdentityEvidence(item.score.evidence)) {
            explicitMatch = &item;
            break;
        }
    }
    const Scored* chosen = explicitMatch != nullptr ? explicitMatch : (scored.empty() ? nullptr : &scored.front());
    if (chosen == nullptr || (explicitMatch == nullptr && chosen->score.score < kProposalMinimum)) {
        std::string markers = "markers: ";
        for (std::size_t i = 0; i < signature->markers.size() && i < 4; ++i) {
            markers += (i == 0 ? "" : ", ") + signature->markers[i];
        }
        return {std::nullopt, kNewProjectPlanScore, {"new filetree DNA", markers}, fallbackFolder, false};
    }

    const std::vector<std::string>& evidence = chosen->score.evidence;
    bool autoApply = false;
    if (chosen->preset->isExplicitAutomatic) {
        autoApply = chosen->score.score >= kExplicitAutomaticMinimum && SmartSharePresetMemoryStore::hasIdentityEvidence(evidence);
    } else {
        // A matching path shape alone is not enough to act without asking.
        autoApply = chosen->score.score >= kAutoApplyMinimum &&
                    (contains(evidence, "exact tree match") || contains(evidence, "script contents match") ||
                     contains(evidence, "same script byteprint"));
    }
    return {SharedImmutable<SmartSharePreset>(std::shared_ptr<const SmartSharePreset>(owner, chosen->preset)),
            chosen->score.score, evidence, chosen->preset->destinationFolder, autoApply};
}

}  // namespace

SmartShareResolvedPlan SmartSharePresetMemoryStore::resolve(const std::string& serverID,
                                                            const std::optional<ArtifactProjectSignature>& signature,
                                                            const std::string& fallbackFolder) const {
    std::optional<PreparedSignature> prepared;
    return resolvePlan(lists_, serverID, signature ? &*signature : nullptr, fallbackFolder, prepared);
}

std::map<std::string, SmartShareResolvedPlan> SmartSharePresetMemoryStore::resolveAll(
    const std::vector<std::string>& serverIDs, const std::optional<ArtifactProjectSignature>& signature,
    const std::string& fallbackFolder) const {
    std::map<std::string, SmartShareResolvedPlan> plans;
    std::optional<PreparedSignature> prepared;
    for (const auto& id : serverIDs) {
        plans[id] = resolvePlan(lists_, id, signature ? &*signature : nullptr, fallbackFolder, prepared);
    }
    return plans;
}

std::optional<SmartShareAutomaticConfiguration> SmartSharePresetMemoryStore::resolveAutomaticConfiguration(
    const std::optional<ArtifactProjectSignature>& signature) const {
    if (!signature) {
        return std::nullopt;
    }
    struct Scored {
        const SmartShareAutomaticConfiguration* configuration;
        double score;
    };
    std::vector<Scored> kept;
    std::optional<PreparedSignature> prepared;
    for (const auto& configuration : lists_->automaticConfigurations) {
        if (!prepared) prepared.emplace(*signature);
        SmartShareScore s = preparedSignatureScore(*prepared, configuration.signature);
        if (s.score >= kExplicitAutomaticMinimum && hasIdentityEvidence(s.evidence)) {
            kept.push_back({&configuration, s.score});
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Scored& a, const Scored& b) {
        if (a.score != b.score) {
            return a.score > b.score;
        }
        return recency(a.configuration->updatedAtEpoch) > recency(b.configuration->updatedAtEpoch);
    });
    if (kept.empty()) {
        return std::nullopt;
    }
    return *kept.front().configuration;
}

}  // namespace tarvo
