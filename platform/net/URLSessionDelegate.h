#pragma once
// Delegates of URL session tasks. Every callback runs on the session's own executor (one at a
// time for a session), never on the main thread.
#include <cstdint>

#include "platform/foundation/Url.h"

namespace platform {

class URLSession;

class URLSessionTaskDelegate {
public:
    virtual ~URLSessionTaskDelegate() = default;
    // After each piece of a request body has been handed to the connection.
    virtual void didSendBodyData(URLSession& session, std::int64_t bytesSent,
                                 std::int64_t totalBytesSent,
                                 std::int64_t totalBytesExpectedToSend) {}
};

class URLSessionDownloadDelegate : public URLSessionTaskDelegate {
public:
    virtual void didWriteData(URLSession& session, std::int64_t bytesWritten,
                              std::int64_t totalBytesWritten,
                              std::int64_t totalBytesExpectedToWrite) {}
    virtual void didFinishDownloadingTo(URLSession& session, const URL& location) = 0;
};

}  // namespace platform
