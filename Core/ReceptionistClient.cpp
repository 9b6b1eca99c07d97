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
    co_return decodeEmitReply(status, body);
}

}  // namespace tarvo
