// The actions of the servers section: the server mode, the dispatch mode and switching the
// screen to another server's draft.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::serverModeChanged() {}

void ShareViewController::multiDispatchModeChanged() {}

void ShareViewController::switchDraftToServer(const ServerProfile& server) {}

}  // namespace tarvo
