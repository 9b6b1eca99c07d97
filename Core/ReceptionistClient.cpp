#include "Core/ReceptionistClient.h"

#include <memory>
#include <stdexcept>

#include "platform/filesystem/FileAttributes.h"
#include "platform/foundation/Text.h"
#include "platform/net/URLSession.h"

namespace tarvo {

using platform::Async;
using platform::Json;

namespace {

constexpr double kRequestTimeoutSeconds = 60;

std::optional<std::string> trimmedIfNotEmpty(const std::optional<std::string>& value) {
    if (!value) return std::nullopt;
    std::string t = platform::text::trimmed(*value);
    if (t.empty()) return std::nullopt;
    return t;
}

}  // namespace

ReceptionistClientError::ReceptionistClientError(Kind kind, int statusCode, std::string text,
                                                 const std::string& description)
    : LocalizedError(description), kind_(kind), statusCode_(statusCode), text_(std::move(text)) {}

ReceptionistClientError ReceptionistClientError::invalidBaseURL(std::string text) {
    const std::string description = "Invalid receptionist base URL: " + text;
    return ReceptionistClientError(Kind::invalidBaseURL, 0, std::move(text), description);
}

ReceptionistClientError ReceptionistClientError::http(int statusCode, std::string bodyText) {
    const std::string description = "Receptionist HTTP " + std::to_string(statusCode) + ": " + bodyText;
    return ReceptionistClientError(Kind::http, statusCode, std::move(bodyText), description);
}

EmitHTTPResponse EmitHTTPResponse::fromJson(const Json& json) {
    using namespace platform::json;
    asObject(json);
    EmitHTTPResponse r;
    r.ok = requireBool(json, "ok");
    r.schema = optionalInt(json, "schema");
    r.ts = optionalString(json, "ts");
    r.via = optionalString(json, "via");
    r.kind = optionalString(json, "kind");
    r.device = optionalString(json, "device");
    r.eventID = optionalString(json, "event_id");
    r.eventDir = optionalString(json, "event_dir");
    r.ref = optionalString(json, "ref");
    r.seq = optionalInt(json, "seq");
    r.bytes = optionalInt(json, "bytes");
    r.basename = optionalString(json, "basename");
    return r;
}

Json EmitHTTPResponse::toJson() const {
    Json j = Json::object();
    j["ok"] = ok;
    auto put = [&j](const char* key, const auto& value) {
        if (value) j[key] = *value;
    };
    put("schema", schema);
    put("ts", ts);
    put("via", via);
    put("kind", kind);
    put("device", device);
    put("event_id", eventID);
    put("event_dir", eventDir);
    put("ref", ref);
    put("seq", seq);
    put("bytes", bytes);
    put("basename", basename);
    return j;
}

platform::URL ReceptionistClient::joinURL(const platform::URL& base, std::string_view path) {
    auto components = platform::URLComponents::parse(base.absoluteString()).value_or(platform::URLComponents{});
    components.path = platform::joinURLPath(components.path, path);
    if (auto url = components.url()) return *url;
    return base.appendingPathComponent(path);
}

Async<std::pair<std::vector<std::uint8_t>, int>> ReceptionistClient::uploadFileData(
    std::shared_ptr<platform::URLSession> session, platform::URL baseURL, std::string endpointPath, std::optional<std::string> authToken,
    platform::URL fileURL, std::string filename, std::string deviceID, std::string kind,
    std::string contentType, std::string appFlavor, std::optional<std::string> metaJSON,
    std::optional<std::string> routeJSON, ProgressCallback progress) {
    const platform::URL url = joinURL(baseURL, endpointPath);
    const std::string scheme = url.scheme();
    if ((scheme != "http" && scheme != "https") || url.host().empty()) {
        // The platform would only say "unsupported URL"; name the setting that is wrong.
        throw ReceptionistClientError::invalidBaseURL(baseURL.absoluteString());
    }

    platform::URLRequest request(url, platform::URLRequest::CachePolicy::useProtocolCachePolicy,
                                 kRequestTimeoutSeconds);
    request.httpMethod = "POST";
    request.setValue(contentType, "Content-Type");
    request.setValue(filename, "X-File-Name");
    request.setValue(deviceID, "X-Device-ID");
    request.setValue(kind, "X-Event-Kind");
    request.setValue(appFlavor, "X-App-Flavor");
    if (auto token = trimmedIfNotEmpty(authToken)) {
        request.setValue(*token, "X-Auth-Token");
        request.setValue("Bearer " + *token, "Authorization");
    }
    if (auto meta = trimmedIfNotEmpty(metaJSON)) request.setValue(*meta, "X-Substrate-Meta");
    if (auto route = trimmedIfNotEmpty(routeJSON)) request.setValue(*route, "X-Substrate-Route");

    std::optional<std::int64_t> totalHint;
    if (auto size = platform::fileSizeResourceValue(fileURL); size && *size > 0) totalHint = size;
    auto delegate = std::make_shared<URLSessionProgressDelegate>(TransferDirection::upload, totalHint,
                                                                 std::move(progress));

    if (!session) throw std::invalid_argument("The emit client needs a URL session.");
    auto result = co_await session->upload(std::move(request), fileURL, delegate);
    const int status = result.response ? result.response->statusCode : -1;
    co_return std::make_pair(std::move(result.data), status);
}

Async<EmitHTTPResponse> ReceptionistClient::emitFile(
    std::shared_ptr<platform::URLSession> session, platform::URL baseURL, std::optional<std::string> authToken, platform::URL fileURL,
    std::string filename, std::string deviceID, std::string kind, std::string contentType,
    std::string appFlavor, std::optional<std::string> metaJSON, std::optional<std::string> routeJSON,
    ProgressCallback progress) {
    // The endpoint is a named local: g++ 12 destroys a temporary of a full-expression that holds
    // a co_await twice.
    std::string endpoint = "/emit";
    auto [body, status] = co_await uploadFileData(
        std::move(session), std::move(baseURL), std::move(endpoint), std::move(authToken), std::move(fileURL), std::move(filename),
        std::move(deviceID), std::move(kind), std::move(contentType), std::move(appFlavor),
        std::move(metaJSON), std::move(routeJSON), std::move(progress));
    std::string text(reinterpret_cast<const char*>(body.data()), body.size());
    if (!platform::text::isValidUTF8(text)) text.clear();
    if (status != 201) throw ReceptionistClientError::http(status, text);
    try {
        co_return EmitHTTPResponse::fromJson(platform::parseJson(text));
    } catch (const std::exception&) {
        throw ReceptionistClientError::http(201, text);
    }
}

}  // namespace tarvo
