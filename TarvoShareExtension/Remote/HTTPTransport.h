#pragma once
// The plain request and reply records of every REST call, and the interface that performs them.
// A transport moves bytes only: every reply with an HTTP status comes back, whatever the status.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/concurrency/Async.h"
#include "platform/foundation/Url.h"

namespace tarvo {

struct HTTPRequest {
    std::string method;
    platform::URL url;
    std::map<std::string, std::string> headers;
    std::optional<std::vector<std::uint8_t>> body;  // absent: no body
};

struct HTTPResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names lowercased
    std::vector<std::uint8_t> data;
};

class HTTPTransport {
public:
    virtual ~HTTPTransport() = default;
    // Throws TransportError.
    virtual platform::Async<HTTPResponse> send(HTTPRequest request) const = 0;
};

}  // namespace tarvo
