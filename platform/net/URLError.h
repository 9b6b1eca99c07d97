#pragma once
// Failures of URL loading, reported the way the platform reports them: NSURLErrorDomain with
// the platform's negative codes and texts.
#include <cstdint>
#include <string>

#include "platform/foundation/ErrorInfo.h"

namespace platform {

class URLError : public NSError {
public:
    enum Code : std::int64_t {
        unknown = -1,
        cancelled = -999,
        badURL = -1000,
        timedOut = -1001,
        unsupportedURL = -1002,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        badServerResponse = -1011,
        cannotParseResponse = -1017,
        fileDoesNotExist = -1100,
        noPermissionsToReadFile = -1102,
        dataLengthExceedsMaximum = -1103,
        secureConnectionFailed = -1200,
        serverCertificateUntrusted = -1202,
    };

    explicit URLError(Code code);
    URLError(Code code, std::string description);

    Code urlCode() const noexcept { return static_cast<Code>(code()); }

    // The platform's text for a code ("The request timed out." for timedOut).
    static std::string defaultDescription(Code code);
};

}  // namespace platform
