#pragma once
// The share's mood: one colour and one strength that sum up how confident the screen is about
// the share in front of the user. Earlier failed runs turn it red; recipes with a history of
// successful runs on the target servers turn it teal, then green; a recognised project whose
// run recipe has no entry point turns it orange; everything else stays blue. It is recomputed
// from the controller's state whenever it is needed and never stored.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "platform/uikit/UIColor.h"

namespace tarvo::share {

struct ShareMood {
    platform::UIColor tint;    // surfaces, borders, the current server's Plan button
    platform::UIColor accent;  // the send button; the tint except after failures
    std::int64_t successScore = 0;
    std::int64_t failureCount = 0;
    double strength = 0.24;
};

// Run states that mention "failed" or "error" in any case, of any server.
std::int64_t moodFailureCount(const std::map<std::string, std::string>& serverRunStates);

// The successful-run count the reply records for the first selected candidate: the first
// recommendation whose script path equals the candidate's path, or whose relative path (when
// present) equals the candidate's, both ignoring case. Nothing without a candidate or a match.
std::optional<std::int64_t> recordedSuccessCount(const std::vector<ArtifactShellCandidate>& selected,
                                                 const ArtifactRecommendationResponse& reply);

// What decides the mood besides the counts: the screen's own draft and the scan.
struct MoodFacts {
    std::int64_t successScore = 0;
    std::int64_t failureCount = 0;
    bool insightReady = false;
    bool draftSelectsCandidate = false;
    bool draftRunsCommand = false;  // recipe run or unzipThenRun
};
ShareMood decideShareMood(const MoodFacts& facts);

// How strongly the chrome takes the tint: the hero card's surface amount, the dock's, and the
// border alpha of both.
struct ChromeTint {
    double surfaceAmount = 0;
    double dockAmount = 0;
    double borderAlpha = 0;
};
ChromeTint chromeTint(double strength);

// The tint over a base, re-blended in every appearance; the amount is clamped to 0...1.
platform::UIColor blendedMoodSurface(const platform::UIColor& tint, double amount, const platform::UIColor& base);

}  // namespace tarvo::share
