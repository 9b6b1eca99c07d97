#include "TarvoShareExtension/Remote/TransportError.h"

#include "Core/DisplayText.h"

namespace tarvo {
namespace {

std::string describe(TransportError::Kind kind, int code, const std::optional<std::string>& message) {
    switch (kind) {
        case TransportError::Kind::httpStatus:
            if (message && !message->empty()) return "HTTP " + std::to_string(code) + ": " + *message;
            return "HTTP " + std::to_string(code);
        case TransportError::Kind::network: return "Network error: " + message.value_or("");
        case TransportError::Kind::badResponse: return "Bad response";
        case TransportError::Kind::cancelled: return "Cancelled";
    }
    return "Bad response";
}

}  // namespace

TransportError::TransportError(Kind kind, int statusCode, std::optional<std::string> message)
    : LocalizedError(describe(kind, statusCode, message)),
      kind_(kind),
      statusCode_(statusCode),
      message_(std::move(message)) {}

// Messages come from servers and the platform; a person reads them, so they are kept short.
TransportError TransportError::httpStatus(int code, std::optional<std::string> message) {
    if (message) message = displayText(*message);
    return TransportError(Kind::httpStatus, code, std::move(message));
}

TransportError TransportError::network(std::string message) {
    return TransportError(Kind::network, 0, displayText(message));
}

TransportError TransportError::badResponse() { return TransportError(Kind::badResponse, 0, std::nullopt); }

TransportError TransportError::cancelled() { return TransportError(Kind::cancelled, 0, std::nullopt); }

}  // namespace tarvo
