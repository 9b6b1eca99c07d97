#include "TarvoShareExtension/Remote/RemoteReply.h"

#include <optional>

namespace tarvo {

namespace {

std::optional<std::string> serverMessage(const std::vector<std::uint8_t>& data) {
    auto parsed = platform::tryParseJson(std::string(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!parsed || !parsed->is_object()) return std::nullopt;
    for (const char* key : {"error", "detail", "message"}) {
        auto it = parsed->find(key);
        if (it != parsed->end() && it->is_string()) return it->get<std::string>();
    }
    return std::nullopt;
}

}  // namespace

void throwIfServerError(const HTTPResponse& response) {
    const int status = response.status;
    if (status >= 200 && status <= 299) return;
    if (status == 401 || status == 403) throw RemoteFailure::auth();
    auto message = serverMessage(response.data);
    if (status == 404 || status == 405) {
        throw RemoteFailure::transport(TransportError::httpStatus(status, message));
    }
    if (message && !message->empty()) throw RemoteFailure::server(*message);
    throw RemoteFailure::transport(TransportError::httpStatus(status, std::nullopt));
}

}  // namespace tarvo
