// The artifact insight: the background scan of the payload (its card is
// ShareViewController+ArtifactCard.cpp).
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::scheduleArtifactPreviewScanIfNeeded() {}

}  // namespace tarvo
