// The upload flow: the payload uploaded into a server's folder, followed by its post-upload
// recipe; and the remote client of a server for one send.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

platform::Async<void> ShareViewController::runUpload(Draft d, ServerProfile server) { co_return; }

std::optional<RemoteAPI> ShareViewController::makeFileAPI(const ServerProfile& server) const {
    if (!env_.makeFileAPI) return std::nullopt;
    return env_.makeFileAPI(server);
}

}  // namespace tarvo
