#pragma once
#include <string>

#include "platform/foundation/Url.h"

namespace tarvo {

// Where one server is and as whom to talk to it.
struct RemoteConfig {
    platform::URL baseURL;  // may carry a path prefix (a server mounted under a sub-path)
    std::string token;      // sent as a bearer token, exactly as stored
};

}  // namespace tarvo
