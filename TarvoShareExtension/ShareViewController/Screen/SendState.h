#pragma once
// The send entry's fixed texts and the rules that decide which controls a send locks and which
// server a single-server send goes to.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"

namespace tarvo::share {

inline constexpr std::string_view kAuthorizingLinkedDeploymentText = "Authorizing exact deployment batch\u2026";
inline constexpr std::string_view kPreparingText = "Preparing\u2026";
inline constexpr std::string_view kPreparingUploadText = "Preparing upload\u2026";
inline constexpr std::string_view kNoItemsText = "No items to share.";
inline constexpr std::string_view kNoServerText = "No server configured.";
inline constexpr std::string_view kCancelledText = "Cancelled.";
inline constexpr std::string_view kShareErrorDomain = "ShareExtension";

// What the screen's controls allow while a send runs or after it ended.
struct BusyControlStates {
    bool formEnabled = true;          // the action, dispatch, lifetime and readiness controls,
                                      // the text fields and switches, the recipe buttons
    bool serverModeEnabled = false;   // needs more than one server
    bool serverButtonEnabled = false; // single mode with more than one server
    bool browseEnabled = false;       // needs a server
    bool sendEnabled = false;         // not after the share completed; needs something to send
    bool spinnerAnimating = false;

    bool operator==(const BusyControlStates&) const = default;
};

struct BusyInputs {
    bool busy = false;
    bool transferFinished = false;
    std::size_t serverCount = 0;
    ServerMode serverMode = ServerMode::single;
    bool linkedDeployment = false;
    std::size_t providerCount = 0;
};

BusyControlStates busyControlStates(const BusyInputs& in);

// The server of a single-server send: the configured server of the draft's id, else the
// active server the app group names (or its first server); nothing when there is neither.
std::optional<ServerProfile> singleSendServer(const std::vector<ServerProfile>& servers, std::string_view draftServerId,
                                              const std::optional<ServerProfile>& activeServer);

}  // namespace tarvo::share
