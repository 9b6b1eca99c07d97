#include "TarvoShareExtension/ShareViewController/Presentation/ShareMood.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;
using platform::UIColor;

std::int64_t moodFailureCount(const std::map<std::string, std::string>& serverRunStates) {
    std::int64_t n = 0;
    for (const auto& [id, state] : serverRunStates) {
        if (text::containsIgnoringCase(state, "failed") || text::containsIgnoringCase(state, "error")) ++n;
    }
    return n;
}

std::optional<std::int64_t> recordedSuccessCount(const std::vector<ArtifactShellCandidate>& selected,
                                                 const ArtifactRecommendationResponse& reply) {
    if (selected.empty()) return std::nullopt;
    const auto& first = selected.front();
    for (const auto& r : reply.recommendations) {
        const bool byPath = text::equalsIgnoringCase(r.scriptPath, first.path);
        const bool byRelative = r.relativePath && text::equalsIgnoringCase(*r.relativePath, first.relativePath);
        if (byPath || byRelative) return r.successfulRunCount;
    }
    return std::nullopt;
}

ShareMood decideShareMood(const MoodFacts& f) {
    auto mood = [&](UIColor tint, UIColor accent, double strength) {
        return ShareMood{std::move(tint), std::move(accent), f.successScore, f.failureCount, strength};
    };
    if (f.failureCount > 0) return mood(UIColor::systemRed(), UIColor::systemOrange(), 0.08);
    if (f.successScore >= 90) return mood(UIColor::systemGreen(), UIColor::systemGreen(), 0.98);
    if (f.successScore >= 25) return mood(UIColor::systemGreen(), UIColor::systemGreen(), 0.88);
    if (f.successScore >= 5) return mood(UIColor::systemTeal(), UIColor::systemTeal(), 0.72);
    if (f.successScore >= 1) return mood(UIColor::systemTeal(), UIColor::systemTeal(), 0.58);
    if (f.insightReady && !f.draftSelectsCandidate && f.draftRunsCommand) {
        return mood(UIColor::systemOrange(), UIColor::systemOrange(), 0.34);
    }
    if (f.insightReady && !f.draftSelectsCandidate) return mood(UIColor::systemBlue(), UIColor::systemBlue(), 0.34);
    if (f.insightReady) return mood(UIColor::systemBlue(), UIColor::systemBlue(), 0.46);
    return mood(UIColor::systemBlue(), UIColor::systemBlue(), 0.24);
}

ChromeTint chromeTint(double s) {
    ChromeTint t;
    t.surfaceAmount = std::clamp(s * 0.1 + 0.055, 0.08, 0.18);
    t.dockAmount = std::max(t.surfaceAmount - 0.02, 0.1);
    t.borderAlpha = std::clamp(s * 0.3 + 0.16, 0.18, 0.48);
    return t;
}

UIColor blendedMoodSurface(const UIColor& tint, double amount, const UIColor& base) {
    return UIColor::blend(tint, std::clamp(amount, 0.0, 1.0), base);
}

}  // namespace tarvo::share
