#pragma once
// The REST client's failure, with its fixed user-facing texts.
#include <optional>
#include <string>

#include "TarvoShareExtension/Remote/TransportError.h"
#include "platform/foundation/ErrorInfo.h"

namespace tarvo {

class RemoteFailure : public platform::LocalizedError {
public:
    enum class Kind { transport, server, decoding, auth, badURL };

    // The transport error's own text, unchanged.
    static RemoteFailure transport(TransportError error);
    // "Server error: <message>", the message cut to kDisplayTextLimit characters and "…".
    static RemoteFailure server(std::string message);
    // "Could not decode response".
    static RemoteFailure decoding();
    // "Authentication failed".
    static RemoteFailure auth();
    // "Bad URL".
    static RemoteFailure badURL();

    Kind kind() const noexcept { return kind_; }
    // transport only.
    const std::optional<TransportError>& transportError() const noexcept { return transport_; }
    // server only.
    const std::string& serverMessage() const noexcept { return message_; }

private:
    RemoteFailure(Kind kind, std::string description, std::optional<TransportError> transport,
                  std::string message);
    Kind kind_;
    std::optional<TransportError> transport_;
    std::string message_;
};

}  // namespace tarvo
