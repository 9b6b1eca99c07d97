#pragma once
// What the insight scan made of the shared payload: whether it is one runnable project
// package (a zip archive whose listing holds shell scripts), its fingerprint and script
// candidates, and later the server's recommendation for it. The screen shows it; the
// recommendation refresh, the recipe rules, the observation report and the send flows read it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"

namespace tarvo::share {

class ArtifactInsightState {
public:
    enum class Case {
        unavailable,  // no runnable package; the message says why (upload still works)
        failed,       // the shared items could not be read; the message says why
        idle,         // no scan has run yet
        scanning,     // a scan is running
        ready,        // a zip archive was listed
    };

    // Idle.
    ArtifactInsightState() = default;
    static ArtifactInsightState unavailable(std::string message) { return {Case::unavailable, std::move(message)}; }
    static ArtifactInsightState failed(std::string message) { return {Case::failed, std::move(message)}; }
    static ArtifactInsightState idle() { return {}; }
    static ArtifactInsightState scanning() { return {Case::scanning, {}}; }
    static ArtifactInsightState ready() { return {Case::ready, {}}; }

    Case kind() const noexcept { return case_; }
    bool is(Case c) const noexcept { return case_ == c; }
    // The message of unavailable and failed; empty for the other cases.
    const std::string& message() const noexcept { return message_; }

    // Same case, and for unavailable and failed the same message.
    bool operator==(const ArtifactInsightState&) const = default;

private:
    ArtifactInsightState(Case c, std::string message) : case_(c), message_(std::move(message)) {}
    Case case_ = Case::idle;
    std::string message_;
};

struct ArtifactInsight {
    ArtifactInsightState state;   // idle until a scan starts
    std::string filename;         // what was inspected, or a count of shared items
    bool isZip = false;           // a zip archive by name
    std::optional<std::string> rootFolder;  // the archive's single top-level folder
    std::int64_t entryCount = 0;  // file entries listed (at most 4,000)
    std::uint64_t totalUncompressedBytes = 0;
    std::vector<ArtifactShellCandidate> baseShellCandidates;  // ranked from the listing alone
    std::vector<ArtifactShellCandidate> shellCandidates;      // shown and selectable (merged)
    std::optional<ArtifactProjectSignature> projectSignature;
    std::optional<ArtifactRecommendationResponse> recommendation;  // filled by the refresh

    bool operator==(const ArtifactInsight&) const = default;
};

}  // namespace tarvo::share
