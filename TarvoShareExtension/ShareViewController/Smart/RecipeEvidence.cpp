#include "TarvoShareExtension/ShareViewController/Smart/RecipeEvidence.h"

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

const ArtifactCandidateRecommendation* recommendationFor(const ArtifactRecommendationResponse& response,
                                                         const ArtifactShellCandidate& candidate) {
    for (const auto& r : response.recommendations) {
        if (text::equalsIgnoringCase(r.scriptPath, candidate.path) ||
            (r.relativePath && text::equalsIgnoringCase(*r.relativePath, candidate.relativePath))) {
            return &r;
        }
    }
    return nullptr;
}

std::optional<RecipeSuccessEvidence> recipeSuccessEvidence(const ArtifactRecommendationResponse* reply,
                                                           const ShellCandidates& selected) {
    if (!reply || selected.empty()) return std::nullopt;
    const ArtifactCandidateRecommendation* r = recommendationFor(*reply, selected.front());
    if (!r || r->successfulRunCount < 1) return std::nullopt;
    return RecipeSuccessEvidence{r->successfulRunCount, reply->exactMatch};
}

std::optional<std::string> recipeOriginSummary(const SmartShareResolvedPlan* plan, bool manuallyEdited,
                                               bool autoApplied) {
    if (plan && plan->preset && plan->preset->isExplicitAutomatic) return "auto";
    if (manuallyEdited) return "edited";
    if (autoApplied) return "history";
    return std::nullopt;
}

bool serverHasRecommendation(const ArtifactRecommendationResponse* reply, const SmartShareResolvedPlan* plan,
                             const Draft* draft) {
    if (reply && reply->decision != ArtifactSelectionKind::none) return true;
    if (plan && plan->preset) return true;
    return draft && draft->action == ShareAction::upload &&
           (draft->postUploadAction == PostUploadAction::run || draft->postUploadAction == PostUploadAction::unzipThenRun);
}

}  // namespace tarvo::share
