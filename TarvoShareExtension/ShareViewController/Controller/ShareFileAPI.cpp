#include "TarvoShareExtension/ShareViewController/Controller/ShareFileAPI.h"

#include <memory>

#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "platform/foundation/Text.h"
#include "platform/net/URLSession.h"

namespace tarvo::share {

std::optional<RemoteAPI> makeShareFileAPI(const ServerProfile& server, const ShareSendLimits& limits,
                                          platform::URLSessionConfiguration base) {
    const std::optional<platform::URL> url = server.urlValue();
    if (!url) return std::nullopt;
    const std::string token = platform::text::trimmed(server.token);
    if (token.empty()) return std::nullopt;
    base.timeoutIntervalForRequest = limits.requestSeconds;
    base.timeoutIntervalForResource = limits.resourceSeconds;
    auto http = std::make_shared<URLSessionHTTPTransport>(platform::URLSession::make(base));
    auto streams = std::make_shared<URLSessionStreamTransport>(base);
    streams->openTimeoutSeconds = limits.streamOpenSeconds;
    RemoteAPI api(RemoteConfig{*url, token}, std::move(http), std::move(streams));
    api.cmdStreamLimits = limits.cmdStream;
    return api;
}

}  // namespace tarvo::share
