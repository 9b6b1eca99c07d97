#pragma once
// How well a server's recipe is backed, as the server rows tell it: whether the selected script
// has run there before, where the recipe came from, and whether a server has anything to
// recommend at all. Pure queries over the controller's per-server state.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"

namespace tarvo::share {

// The first recommendation about the candidate: its script path equals the candidate's path,
// or its relative path the candidate's relative path (ignoring case).
const ArtifactCandidateRecommendation* recommendationFor(const ArtifactRecommendationResponse& response,
                                                         const ArtifactShellCandidate& candidate);

struct RecipeSuccessEvidence {
    std::int64_t count = 0;  // successful runs of the first selected script
    bool exact = false;      // the server matched the project exactly
    bool operator==(const RecipeSuccessEvidence&) const = default;
};
// The rules below read the controller's stored values, which every server row asks for, in
// place: null stands for none.

// From the server's reply and the draft's selected candidates: nothing without a reply, a
// selection, a recommendation about the first script or a successful run of it.
std::optional<RecipeSuccessEvidence> recipeSuccessEvidence(const ArtifactRecommendationResponse* reply,
                                                           const ShellCandidates& selected);

// "auto" (the plan's preset is the explicit automatic one), "edited", "history", or nothing.
std::optional<std::string> recipeOriginSummary(const SmartShareResolvedPlan* plan, bool manuallyEdited,
                                               bool autoApplied);

// A reply that suggests or selects, a plan with a preset, or a draft that runs something.
bool serverHasRecommendation(const ArtifactRecommendationResponse* reply, const SmartShareResolvedPlan* plan,
                             const Draft* draft);

}  // namespace tarvo::share
