#include "TarvoShareExtension/Remote/RemoteFailure.h"

#include "Core/DisplayText.h"

namespace tarvo {

RemoteFailure::RemoteFailure(Kind kind, std::string description,
                             std::optional<TransportError> transport, std::string message)
    : LocalizedError(description),
      kind_(kind),
      transport_(std::move(transport)),
      message_(std::move(message)) {}

RemoteFailure RemoteFailure::transport(TransportError error) {
    std::string text = error.errorDescription();
    return RemoteFailure(Kind::transport, std::move(text), std::move(error), "");
}

RemoteFailure RemoteFailure::server(std::string message) {
    message = displayText(message);
    return RemoteFailure(Kind::server, "Server error: " + message, std::nullopt, message);
}

RemoteFailure RemoteFailure::decoding() {
    return RemoteFailure(Kind::decoding, "Could not decode response", std::nullopt, "");
}

RemoteFailure RemoteFailure::auth() {
    return RemoteFailure(Kind::auth, "Authentication failed", std::nullopt, "");
}

RemoteFailure RemoteFailure::badURL() { return RemoteFailure(Kind::badURL, "Bad URL", std::nullopt, ""); }

}  // namespace tarvo
