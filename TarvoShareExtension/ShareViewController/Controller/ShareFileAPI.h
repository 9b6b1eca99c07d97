#pragma once
// The remote client of one server for one send, as the send flows, the recommendation refresh
// and the folder picker build it: the server's address and trimmed token, REST calls over a URL
// session of their own, the command stream over WebSockets opened with the same configuration.
#include <optional>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/ShareSendLimits.h"
#include "platform/net/URLSessionConfiguration.h"

namespace tarvo::share {

// Nothing when the server has no usable http(s) URL or its trimmed token is empty. Both
// sessions get the limits' request and resource time-outs (60 and 600 seconds unless given)
// over `base` (which may add trusted certificates); the command stream gets its open time-out
// and its waits for the server's frames.
std::optional<RemoteAPI> makeShareFileAPI(const ServerProfile& server, const ShareSendLimits& limits = {},
                                          platform::URLSessionConfiguration base =
                                              platform::URLSessionConfiguration::ephemeral());

}  // namespace tarvo::share
