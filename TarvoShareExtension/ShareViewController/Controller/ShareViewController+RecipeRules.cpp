// The recipe rules over the payload's insight: a remembered recipe that no longer fits the
// shared project is cleared, and the scripts a draft selects are found among its candidates.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"

namespace tarvo {

ShareViewController::Draft ShareViewController::recipeClearedIfStale(const Draft& d, const std::string& serverID) const {
    if (candidateSelectorDuringBuild != nullptr) {
        return share::recipeClearedIfStale(d, serverID, artifactInsight, manuallyEditedRecipeServerIDs,
                                           candidateIndexCache->baseMatcher);
    }
    return share::recipeClearedIfStale(d, serverID, artifactInsight, manuallyEditedRecipeServerIDs);
}

std::vector<ArtifactShellCandidate> ShareViewController::selectedArtifactCandidates(const Draft& d) const {
    if (candidateSelectorDuringBuild != nullptr) return candidateSelectorDuringBuild->select(d);
    return share::selectedArtifactCandidates(d, artifactInsight.shellCandidates);
}

}  // namespace tarvo
