#pragma once
// The REST replies of a server judged and decoded, apart from the calls that fetch them: what a
// status means, and how a body becomes the call's record.
#include <exception>
#include <string>

#include "TarvoShareExtension/Remote/HTTPTransport.h"
#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "platform/foundation/Json.h"

namespace tarvo {

// Returns for 2xx. Otherwise throws RemoteFailure: auth for 401 and 403; transport with
// httpStatus (and the body's message, if any) for 404 and 405; server with the body's message
// when there is a non-empty one; else transport with httpStatus and no message. The body's
// message is the first of "error", "detail" and "message" that holds text, in a body that is a
// JSON object.
void throwIfServerError(const HTTPResponse& response);

// The reply body as the record (Record::fromJson of the parsed body); a body that is not JSON or
// not the record fails with RemoteFailure::decoding. The status is not looked at.
template <class Record>
Record decodeReplyBody(const HTTPResponse& response) {
    try {
        return Record::fromJson(
            platform::parseJson(std::string(reinterpret_cast<const char*>(response.data.data()), response.data.size())));
    } catch (const std::exception&) {
        throw RemoteFailure::decoding();
    }
}

// Both: what a REST call returns for the reply.
template <class Record>
Record decodeReply(const HTTPResponse& response) {
    throwIfServerError(response);
    return decodeReplyBody<Record>(response);
}

}  // namespace tarvo
