#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"

namespace tarvo::share {

BusyControlStates busyControlStates(const BusyInputs& in) {
    BusyControlStates s;
    const bool idle = !in.busy;
    s.formEnabled = idle;
    s.serverModeEnabled = idle && in.serverCount > 1;
    s.serverButtonEnabled = idle && in.serverMode == ServerMode::single && in.serverCount > 1;
    s.browseEnabled = idle && in.serverCount > 0;
    s.sendEnabled = idle && !in.transferFinished && (in.linkedDeployment || in.providerCount > 0);
    s.spinnerAnimating = in.busy;
    return s;
}

std::optional<ServerProfile> singleSendServer(const std::vector<ServerProfile>& servers, std::string_view draftServerId,
                                              const std::optional<ServerProfile>& activeServer) {
    if (!draftServerId.empty()) {
        for (const auto& server : servers) {
            if (server.id == draftServerId) return server;
        }
    }
    return activeServer;
}

}  // namespace tarvo::share
