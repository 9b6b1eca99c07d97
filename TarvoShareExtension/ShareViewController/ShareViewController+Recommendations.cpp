// The servers' recommendations for the shared project and the destination folders they suggest.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::scheduleArtifactRecommendationRefresh() {}

void ShareViewController::rebuildDestinationSuggestions() {}

}  // namespace tarvo
