#pragma once
// StreamTransport over URL-session WebSocket tasks. Each open makes a URL session of its own and
// hands the channel out only once the handshake has completed: an open gate, fed by the
// session's delegate events, turns open, close and completion into one awaited result with a
// time limit. A failed open is cleaned up (task cancelled with 1001, session invalidated) before
// its failure is thrown.
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "TarvoShareExtension/Remote/TransportError.h"
#include "platform/concurrency/Async.h"
#include "platform/concurrency/detail/AsyncCondition.h"
#include "platform/net/URLSession.h"
#include "platform/net/URLSessionConfiguration.h"
#include "platform/net/URLSessionWebSocketTask.h"

namespace tarvo {

// The one result of an open: the first delegate event finishes the gate, later ones change
// nothing. A waiter that arrives after the event gets its result at once.
class WebSocketOpenGate : public std::enable_shared_from_this<WebSocketOpenGate> {
public:
    static std::shared_ptr<WebSocketOpenGate> make() {
        return std::shared_ptr<WebSocketOpenGate>(new WebSocketOpenGate());
    }

    // Returns once the socket opened, throws the error that ended the open, or throws the
    // platform's time-out URLError after max(timeoutSeconds, 0.2) seconds (0.2 for a value
    // that is not a number). A time-out ends the wait at once, whatever the connection does.
    platform::Async<void> waitOpen(double timeoutSeconds);
    // Waits for the first event without a limit; cancelling the awaiting task ends the wait.
    platform::Async<void> waitIndefinitely();
    // The first call counts: no error means the socket opened.
    void finish(std::exception_ptr error);

    bool isFinished() const;

private:
    WebSocketOpenGate() = default;
    const std::shared_ptr<platform::detail::AsyncCondition> condition_ =
        platform::detail::AsyncCondition::create();
    bool finished_ = false;  // guarded by condition_->mutex
    std::exception_ptr storedError_;
};

// Feeds a gate from a WebSocket task's delegate events.
class WebSocketOpenDelegate : public platform::URLSessionWebSocketDelegate {
public:
    explicit WebSocketOpenDelegate(std::shared_ptr<WebSocketOpenGate> gate) : gate(std::move(gate)) {}

    void didOpenWithProtocol(platform::URLSession&, platform::URLSessionWebSocketTask&,
                             const std::optional<std::string>&) override;
    void didCloseWith(platform::URLSession&, platform::URLSessionWebSocketTask&,
                      platform::URLSessionWebSocketCloseCode closeCode,
                      const std::optional<std::string>& reason) override;
    void didCompleteWithError(platform::URLSession&, platform::URLSessionWebSocketTask&,
                              std::exception_ptr error) override;

    // The error of a close before the open: domain "WebSocketClose", the close code, and the
    // text "Closed (<code>) <reason>" trimmed (a reason that is not UTF-8 counts as empty).
    static platform::NSError closeError(int closeCode, const std::optional<std::string>& reason);

    const std::shared_ptr<WebSocketOpenGate> gate;
};

// One open WebSocket and the URL session made for it, which it owns: dropping the last
// reference invalidates the session and ends the connection at once.
class URLSessionWebSocketChannel : public StreamChannel {
public:
    URLSessionWebSocketChannel(std::shared_ptr<platform::URLSessionWebSocketTask> task,
                               std::shared_ptr<platform::URLSession> ownerSession)
        : task(std::move(task)), ownerSession(std::move(ownerSession)) {}
    ~URLSessionWebSocketChannel() override;

    platform::Async<void> send(std::string text) override;
    platform::Async<void> sendAll(std::vector<std::string> texts) override;
    platform::Async<StreamMessage> receive() override;
    // Cancels the task with close code 1001 and no reason, then invalidates the session.
    platform::Async<void> close() override;

    const std::shared_ptr<platform::URLSessionWebSocketTask> task;
    const std::shared_ptr<platform::URLSession> ownerSession;
};

class URLSessionStreamTransport : public StreamTransport {
public:
    explicit URLSessionStreamTransport(platform::URLSessionConfiguration configuration =
                                           platform::URLSessionConfiguration::defaultConfiguration())
        : configuration(std::move(configuration)) {}

    platform::Async<std::shared_ptr<StreamChannel>> open(StreamRequest request) const override;

    const platform::URLSessionConfiguration configuration;
    // How long an open may take, handshake included.
    double openTimeoutSeconds = 15;
};

// How a failure of a channel operation reaches the caller: cancellation (of the calling task, or
// the platform's cancelled code) as TransportError::cancelled, anything else as
// TransportError::network with the platform's text.
TransportError streamTransportError(std::exception_ptr failure, bool callerCancelled);

}  // namespace tarvo
