#pragma once
#include <memory>

#include "TarvoShareExtension/Remote/HTTPTransport.h"
#include "platform/net/URLSession.h"

namespace tarvo {

// HTTPTransport over a URL session that its creator supplies (and keeps in charge of: the
// transport neither configures nor invalidates it).
class URLSessionHTTPTransport : public HTTPTransport {
public:
    explicit URLSessionHTTPTransport(std::shared_ptr<platform::URLSession> session)
        : session(std::move(session)) {}

    // Every request carries a 60-second time-out; failures are TransportError values.
    platform::Async<HTTPResponse> send(HTTPRequest request) const override;

    const std::shared_ptr<platform::URLSession> session;
};

}  // namespace tarvo
