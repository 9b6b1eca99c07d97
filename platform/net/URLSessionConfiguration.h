#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct URLSessionConfiguration {
    static URLSessionConfiguration defaultConfiguration() { return {}; }
    static URLSessionConfiguration ephemeral() { return {}; }  // nothing is cached or stored anyway

    // Seconds a task may go without progress (connecting, sending or receiving) before it fails
    // with timedOut. A task uses the smaller of this and its request's timeoutInterval, so a
    // session made with a short value shortens every request's limit.
    double timeoutIntervalForRequest = 60;
    // Seconds a data or upload task may take in all, from its start to the last byte of the
    // reply, however steadily it progresses; past it the task fails with timedOut. The
    // platform's default is seven days.
    double timeoutIntervalForResource = 7 * 24 * 3600;
    // A reply body larger than this fails with dataLengthExceedsMaximum rather than exhausting
    // memory; data tasks hold the whole body.
    std::int64_t maximumResponseBodyBytes = std::int64_t(256) << 20;
    // Seconds a WebSocket task gives the closing handshake, whichever side began it (the close
    // frames, then the server's end of the connection), before it drops the connection. A
    // server that never finishes the handshake costs no more than this.
    double closingHandshakeTimeout = 2;
    // PEM files of certificate authorities trusted in addition to the system's (a private CA of
    // the user's own servers, or a test's). Certificates are always verified.
    std::vector<std::string> additionalTrustedCertificateFiles;
};

}  // namespace platform
