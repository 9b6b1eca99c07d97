#pragma once
// The receptionist emit client: one local file posted as an event to the user's receptionist
// service, streamed from disk with throttled upload progress.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Core/TransferProgress.h"
#include "platform/concurrency/Async.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Url.h"
#include "platform/net/URLSession.h"

namespace platform {
class URLSession;
}

namespace tarvo {

class ReceptionistClientError : public platform::LocalizedError {
public:
    enum class Kind { invalidBaseURL, http };

    // "Invalid receptionist base URL: <text>".
    static ReceptionistClientError invalidBaseURL(std::string text);
    // "Receptionist HTTP <code>: <body text>". Texts longer than kDisplayTextLimit characters
    // are cut with "…", in the description and in text() alike.
    static ReceptionistClientError http(int statusCode, std::string bodyText);

    Kind kind() const noexcept { return kind_; }
    int statusCode() const noexcept { return statusCode_; }
    // invalidBaseURL: the URL text; http: the reply body as text (cut as above).
    const std::string& text() const noexcept { return text_; }

private:
    ReceptionistClientError(Kind kind, int statusCode, std::string text, const std::string& description);
    Kind kind_;
    int statusCode_;
    std::string text_;
};

// The receptionist's reply to a stored event. Keys on the wire are the names in the comments.
struct EmitHTTPResponse {
    bool ok = false;                         // "ok", required
    std::optional<std::int64_t> schema;      // "schema"
    std::optional<std::string> ts;           // "ts"
    std::optional<std::string> via;          // "via"
    std::optional<std::string> kind;         // "kind"
    std::optional<std::string> device;       // "device"
    std::optional<std::string> eventID;      // "event_id"
    std::optional<std::string> eventDir;     // "event_dir"
    std::optional<std::string> ref;          // "ref"
    std::optional<std::int64_t> seq;         // "seq"
    std::optional<std::int64_t> bytes;       // "bytes"
    std::optional<std::string> basename;     // "basename"

    bool operator==(const EmitHTTPResponse&) const = default;

    // Throws platform::DecodingError (a missing "ok", a value of the wrong type).
    static EmitHTTPResponse fromJson(const platform::Json& json);
    // "ok" and every field that is present.
    platform::Json toJson() const;
};

struct ReceptionistClient {
    using ProgressCallback = std::function<void(const TransferProgress&)>;

    // POSTs the file to baseURL + "/emit" over `session` (the caller's; its configuration's
    // limits apply on top of the 60-second request time-out) and returns the receptionist's record. Only a 201 with
    // a valid record succeeds; any other status (200 included) fails with
    // ReceptionistClientError::http. A base URL that is not http(s) with a host fails with
    // invalidBaseURL before anything is sent. Failures of the transfer itself (host not found,
    // refused, 60-second time-out, cancellation, a header value that cannot be sent) are the
    // platform's URLError, unchanged. Without a session it throws std::invalid_argument.
    static platform::Async<EmitHTTPResponse> emitFile(
        std::shared_ptr<platform::URLSession> session, platform::URL baseURL, std::optional<std::string> authToken, platform::URL fileURL,
        std::string filename, std::string deviceID, std::string kind, std::string contentType,
        std::string appFlavor, std::optional<std::string> metaJSON,
        std::optional<std::string> routeJSON, ProgressCallback progress);

    // The receptionist's record in a reply to an emit: only a 201 whose body is a valid record;
    // anything else throws ReceptionistClientError::http with the status and the body as text
    // (empty when the body is not UTF-8).
    static EmitHTTPResponse decodeEmitReply(int status, const std::vector<std::uint8_t>& body);

    // The reply body and status (-1 when the reply is not HTTP) of the POST to baseURL joined
    // with endpointPath.
    static platform::Async<std::pair<std::vector<std::uint8_t>, int>> uploadFileData(
        std::shared_ptr<platform::URLSession> session, platform::URL baseURL, std::string endpointPath, std::optional<std::string> authToken,
        platform::URL fileURL, std::string filename, std::string deviceID, std::string kind,
        std::string contentType, std::string appFlavor, std::optional<std::string> metaJSON,
        std::optional<std::string> routeJSON, ProgressCallback progress);

    // The base URL with path joined to its path (platform::joinURLPath), keeping scheme, host,
    // port and query.
    static platform::URL joinURL(const platform::URL& base, std::string_view path);
};

}  // namespace tarvo
