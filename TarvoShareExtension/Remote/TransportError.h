#pragma once
// The failure every transport of the remote client throws, with its fixed user-facing texts.
#include <optional>
#include <string>

#include "platform/foundation/ErrorInfo.h"

namespace tarvo {

class TransportError : public platform::LocalizedError {
public:
    enum class Kind { httpStatus, network, badResponse, cancelled };

    // "HTTP <code>: <message>" when the message is present and not empty, else "HTTP <code>".
    // Messages longer than kDisplayTextLimit characters are cut with "…", here and below.
    static TransportError httpStatus(int code, std::optional<std::string> message);
    // "Network error: <message>".
    static TransportError network(std::string message);
    // "Bad response".
    static TransportError badResponse();
    // "Cancelled".
    static TransportError cancelled();

    Kind kind() const noexcept { return kind_; }
    // httpStatus only (0 otherwise).
    int statusCode() const noexcept { return statusCode_; }
    // httpStatus: the optional message; network: the message.
    const std::optional<std::string>& message() const noexcept { return message_; }

private:
    TransportError(Kind kind, int statusCode, std::optional<std::string> message);
    Kind kind_;
    int statusCode_;
    std::optional<std::string> message_;
};

}  // namespace tarvo
