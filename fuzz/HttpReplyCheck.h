#pragma once
// What every REST reply of a server must come to, whatever its bytes: the call's record for a
// 2xx that decodes, and otherwise the one failure its status calls for, with a message a person
// can read (valid UTF-8, of bounded length).
#include <array>
#include <cstdint>

#include "TarvoShareExtension/Remote/HTTPTransport.h"
#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "fuzz/FuzzCheck.h"

namespace fuzzing {

// The statuses a server is likely to send, and a few it should not.
inline constexpr std::array<int, 16> kStatuses{200, 201, 204, 299, 300, 302, 400, 401,
                                               403, 404, 405, 409, 500, 503, 0, 999};

inline tarvo::HTTPResponse reply(std::uint8_t selector, const std::uint8_t* body, std::size_t size) {
    tarvo::HTTPResponse response;
    response.status = kStatuses[selector % kStatuses.size()];
    response.data.assign(body, body + size);
    return response;
}

inline void requireFailureFits(const tarvo::RemoteFailure& failure, int status) {
    using Kind = tarvo::RemoteFailure::Kind;
    requireReadable(failure.errorDescription());
    if (status >= 200 && status <= 299) {
        require(failure.kind() == Kind::decoding);
    } else if (status == 401 || status == 403) {
        require(failure.kind() == Kind::auth);
    } else if (failure.kind() == Kind::server) {
        require(status != 404 && status != 405 && !failure.serverMessage().empty());
        requireReadable(failure.serverMessage());
    } else {
        require(failure.kind() == Kind::transport && failure.transportError().has_value());
        const auto& transport = *failure.transportError();
        require(transport.kind() == tarvo::TransportError::Kind::httpStatus && transport.statusCode() == status);
        if (transport.message()) requireReadable(*transport.message());
    }
}

}  // namespace fuzzing
