#include "TarvoShareExtension/Remote/RemoteAPI.h"

#include <stdexcept>

#include "TarvoShareExtension/Remote/RemoteReply.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using platform::Async;
using platform::Json;
using platform::URLQueryItem;

namespace {

std::string bodyText(const std::vector<std::uint8_t>& data) {
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

platform::URL buildWith(const RemoteAPI& api, std::string_view path,
                        const std::vector<URLQueryItem>& query, bool webSocket) {
    auto components = platform::URLComponents::parse(api.cfg.baseURL.absoluteString());
    if (!components) throw RemoteFailure::badURL();
    if (webSocket) {
        const std::string scheme = platform::text::lowercased(components->scheme.value_or(""));
        if (scheme == "https") components->scheme = "wss";
        else if (scheme == "http") components->scheme = "ws";
    }
    components->path = RemoteAPI::joinPath(components->path, path);
    if (!query.empty()) components->queryItems = query;
    auto url = components->url();
    if (!url) throw RemoteFailure::badURL();
    return *url;
}

// One REST call: build the URL, send with the bearer header, judge the status. Transport
// failures leave as RemoteFailure::transport; the caller decodes the body.
Async<HTTPResponse> performREST(RemoteAPI api, std::string method, std::string path,
                                std::vector<URLQueryItem> query,
                                std::optional<std::vector<std::uint8_t>> jsonBody) {
    if (!api.http) throw std::logic_error("RemoteAPI has no HTTP transport");
    HTTPRequest request{method, api.buildURL(path, query), api.authHeader(), std::nullopt};
    if (jsonBody) {
        request.headers["Content-Type"] = "application/json";
        request.body = std::move(jsonBody);
    }
    try {
        HTTPResponse response = co_await api.http->send(std::move(request));
        throwIfServerError(response);
        co_return response;
    } catch (const RemoteFailure&) {
        throw;
    } catch (const TransportError& e) {
        throw RemoteFailure::transport(e);
    }
}

std::vector<std::uint8_t> jsonObjectBody(const Json& payload) {
    if (!payload.is_object()) {
        throw std::invalid_argument("A request payload must be a JSON object.");
    }
    const std::string text = platform::encodeCompact(payload);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

Async<DirListResponse> listCall(RemoteAPI api, std::string path) {
    std::vector<URLQueryItem> query{URLQueryItem{"path", path}};
    std::string method = "GET", endpoint = "/api/list";
    std::optional<std::vector<std::uint8_t>> noBody;
    auto response = co_await performREST(api, method, endpoint, query, noBody);
    co_return decodeReplyBody<DirListResponse>(response);
}

Async<FileStatResponse> statCall(RemoteAPI api, std::string path) {
    std::vector<URLQueryItem> query{URLQueryItem{"path", path}};
    std::string method = "GET", endpoint = "/api/stat";
    std::optional<std::vector<std::uint8_t>> noBody;
    auto response = co_await performREST(api, method, endpoint, query, noBody);
    co_return decodeReplyBody<FileStatResponse>(response);
}

// Arguments of a call inside a co_await are named locals, never temporaries: g++ 12 destroys a
// temporary of a full-expression that holds a co_await twice.
Async<ShareJobSubmitResponse> submitJobCall(RemoteAPI api, Json payload) {
    std::optional<std::vector<std::uint8_t>> body = jsonObjectBody(payload);
    std::string method = "POST", endpoint = "/api/jobs/submit";
    std::vector<URLQueryItem> noQuery;
    auto response = co_await performREST(api, method, endpoint, noQuery, body);
    co_return decodeReplyBody<ShareJobSubmitResponse>(response);
}

Async<void> observationCall(RemoteAPI api, Json payload) {
    std::optional<std::vector<std::uint8_t>> body = jsonObjectBody(payload);
    std::string method = "POST", endpoint = "/api/jobs/artifact-observation";
    std::vector<URLQueryItem> noQuery;
    co_await performREST(api, method, endpoint, noQuery, body);
}

Async<ArtifactRecommendationResponse> recommendationsCall(RemoteAPI api, Json requestBody) {
    std::optional<std::vector<std::uint8_t>> body = jsonObjectBody(requestBody);
    std::string method = "POST", endpoint = "/api/jobs/recommend";
    std::vector<URLQueryItem> noQuery;
    auto response = co_await performREST(api, method, endpoint, noQuery, body);
    try {
        co_return ArtifactRecommendationResponse::decode(bodyText(response.data));
    } catch (const std::exception&) {
        throw RemoteFailure::decoding();
    }
}

}  // namespace

std::map<std::string, std::string> RemoteAPI::authHeader() const {
    return {{"Authorization", "Bearer " + cfg.token}};
}

std::string RemoteAPI::joinPath(std::string_view base, std::string_view rel) {
    return platform::joinURLPath(base, rel);
}

platform::URL RemoteAPI::buildURL(std::string_view path, const std::vector<URLQueryItem>& query) const {
    return buildWith(*this, path, query, false);
}

platform::URL RemoteAPI::buildWSURL(std::string_view path, const std::vector<URLQueryItem>& query) const {
    return buildWith(*this, path, query, true);
}

Async<DirListResponse> RemoteAPI::list(std::string path) const { return listCall(*this, std::move(path)); }

Async<FileStatResponse> RemoteAPI::stat(std::string path) const { return statCall(*this, std::move(path)); }

Async<ShareJobSubmitResponse> RemoteAPI::submitJob(Json payload) const {
    return submitJobCall(*this, std::move(payload));
}

Async<void> RemoteAPI::recordArtifactObservation(Json payload) const {
    return observationCall(*this, std::move(payload));
}

Async<ArtifactRecommendationResponse> RemoteAPI::artifactRecommendations(
    ArtifactProjectSignature signature, std::vector<ArtifactShellCandidate> candidates,
    std::string destination) const {
    return recommendationsCall(*this, recommendationRequestBody(signature, candidates, destination));
}

Json RemoteAPI::recommendationRequestBody(const ArtifactProjectSignature& signature,
                                          const std::vector<ArtifactShellCandidate>& candidates,
                                          const std::string& destination) {
    Json sig = Json::object();
    sig["exact_digest"] = signature.exactDigest;
    sig["path_digest"] = signature.pathDigest;
    sig["content_digest"] = signature.contentDigest;
    sig["normalized_paths"] = Json::array();
    for (const auto& p : signature.normalizedPaths) sig["normalized_paths"].push_back(p);
    sig["markers"] = Json::array();
    for (const auto& m : signature.markers) sig["markers"].push_back(m);
    sig["script_fingerprints"] = Json::object();
    for (const auto& [path, fingerprint] : signature.scriptFingerprints) {
        sig["script_fingerprints"][path] = fingerprint;
    }
    Json list = Json::array();
    for (const auto& c : candidates) {
        Json item = Json::object();
        item["path"] = c.path;
        item["relative_path"] = c.relativePath;
        if (c.fingerprint) item["fingerprint"] = *c.fingerprint;
        list.push_back(std::move(item));
    }
    Json body = Json::object();
    body["signature"] = std::move(sig);
    body["candidates"] = std::move(list);
    body["destination"] = destination;
    return body;
}

}  // namespace tarvo
