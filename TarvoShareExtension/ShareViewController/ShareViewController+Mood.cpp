// The share's mood: the tint the hero card, the dock, the server rows and the artifact card take.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::applyShareMoodToChrome() {}

}  // namespace tarvo
