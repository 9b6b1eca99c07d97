// The list of selectable servers (compact rows, the deploy-set card) or, while a linked
// deployment is in force, its target cards.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::rebuildMultiServerStack() {
    // ---- Linked deployment: its target cards stand in for the server rows.
    if (rebuildLinkedTargetCardsIfNeeded()) return;
}

}  // namespace tarvo
