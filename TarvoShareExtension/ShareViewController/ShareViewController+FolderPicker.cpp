// The remote folder picker that the destination row's "Change" button opens.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::browseFolderTapped() {}

}  // namespace tarvo
