#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"

#include "TarvoShareExtension/Remote/TransportError.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/foundation/Text.h"
#include "platform/net/URLError.h"

namespace tarvo {
namespace {

constexpr double kRequestTimeoutSeconds = 60;

TransportError mapFailure(std::exception_ptr failure, bool taskCancelled) {
    if (taskCancelled || platform::isCancellationError(failure)) return TransportError::cancelled();
    try {
        std::rethrow_exception(failure);
    } catch (const platform::URLError& e) {
        if (e.urlCode() == platform::URLError::cancelled) return TransportError::cancelled();
        return TransportError::network("URLError(" + std::to_string(e.code()) +
                                       "): " + e.localizedDescription());
    } catch (const std::exception& e) {
        return TransportError::network(platform::describeError(e));
    } catch (...) {
        return TransportError::network("An unknown error occurred.");
    }
}

}  // namespace

platform::Async<HTTPResponse> URLSessionHTTPTransport::send(HTTPRequest request) const {
    auto session = this->session;  // the transport value may go away while the call waits
    platform::URLRequest urlRequest(request.url, platform::URLRequest::CachePolicy::useProtocolCachePolicy,
                                    kRequestTimeoutSeconds);
    urlRequest.httpMethod = request.method;
    urlRequest.httpBody = std::move(request.body);
    for (const auto& [name, value] : request.headers) urlRequest.setValue(value, name);

    std::exception_ptr failure;
    platform::URLSessionDataResult result;
    try {
        result = co_await session->data(std::move(urlRequest));
    } catch (...) {
        failure = std::current_exception();
    }
    // Named, not folded into the throw: g++ 12 destroys a temporary of a full-expression that
    // holds a co_await twice.
    const bool taskCancelled = co_await platform::isCancelled();
    if (failure) throw mapFailure(failure, taskCancelled);
    if (!result.response) throw TransportError::badResponse();

    HTTPResponse response;
    response.status = result.response->statusCode;
    for (const auto& [name, value] : result.response->allHeaderFields) {
        response.headers[platform::text::lowercased(name)] = value;
    }
    response.data = std::move(result.data);
    co_return response;
}

}  // namespace tarvo
