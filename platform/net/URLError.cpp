#include "platform/net/URLError.h"

namespace platform {

URLError::URLError(Code code) : URLError(code, defaultDescription(code)) {}

URLError::URLError(Code code, std::string description)
    : NSError(kURLErrorDomain, static_cast<std::int64_t>(code), std::move(description)) {}

std::string URLError::defaultDescription(Code code) {
    switch (code) {
        case cancelled: return "cancelled";
        case badURL: return "bad URL";
        case timedOut: return "The request timed out.";
        case unsupportedURL: return "unsupported URL";
        case cannotFindHost: return "A server with the specified hostname could not be found.";
        case cannotConnectToHost: return "Could not connect to the server.";
        case networkConnectionLost: return "The network connection was lost.";
        case badServerResponse: return "The server returned a response the client cannot use.";
        case cannotParseResponse: return "cannot parse response";
        case fileDoesNotExist: return "The requested URL was not found on this server.";
        case noPermissionsToReadFile:
            return "You do not have permission to access the requested resource.";
        case dataLengthExceedsMaximum: return "resource exceeds maximum size";
        case secureConnectionFailed:
            return "An SSL error has occurred and a secure connection to the server cannot be made.";
        case serverCertificateUntrusted: return "The certificate for this server is invalid.";
        case unknown: break;
    }
    return "An unknown error occurred.";
}

}  // namespace platform
