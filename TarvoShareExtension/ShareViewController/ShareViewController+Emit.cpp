// The emit flow: the payload posted to one server's receptionist as events.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

platform::Async<void> ShareViewController::runEmit(Draft d, ServerProfile server) { co_return; }

}  // namespace tarvo
