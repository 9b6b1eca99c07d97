// The recipe rules over the payload's insight: a remembered recipe that no longer fits the
// shared project is cleared, and the scripts a draft selects are found among its candidates.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/RecipeStaleness.h"
#include "TarvoShareExtension/ShareViewController/ShellCandidateSelection.h"

namespace tarvo {

ShareViewController::Draft ShareViewController::recipeClearedIfStale(const Draft& d, const std::string& serverID) const {
    return share::recipeClearedIfStale(d, serverID, artifactInsight, manuallyEditedRecipeServerIDs);
}

std::vector<ArtifactShellCandidate> ShareViewController::selectedArtifactCandidates(const Draft& d) const {
    return share::selectedArtifactCandidates(d, artifactInsight.shellCandidates);
}

}  // namespace tarvo
