#pragma once
// The URL-session stand-in's WebSocket task: ws and wss connections over real sockets.
//
// A task is made suspended; resume() opens it (name lookup, connect, TLS for wss with the
// certificate verified, then the upgrade handshake carrying the request's headers). Its delegate
// hears of the open, of a close frame from the server and of the task's end, on the session's
// executor, never on the caller's.
//
// One reader keeps a read pending for the whole life of the connection and feeds a per-task
// queue; receive() takes from that queue. A receive abandoned by its caller (its task cancelled,
// or a race it lost) therefore never loses a message: the next receive gets it. Fragmented
// messages arrive reassembled; pings are answered while the reader runs. Sends are queued and
// written one after the other, in the order they were made.
//
// cancel(code, reason) sends the close frame without waiting for anything and ends the task; a
// task whose last handle goes away is cancelled the same moment, without a close frame.
//
// The end of a connection never waits on the server for long. A close frame from the server ends
// every pending receive and send the moment it is read; an invalid frame (or a message over the
// limit) fails the connection at once, without waiting for the server to hang up. A closing
// handshake, whichever side began it, gets the configuration's closingHandshakeTimeout before
// the connection is dropped.
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "platform/net/URLRequest.h"
#include "platform/net/URLSession.h"
#include "platform/net/URLSessionDelegate.h"
#include "platform/net/URLSessionWebSocketMessage.h"

namespace platform {

class URLSessionWebSocketTask;

// RFC 6455 close codes; any other code a server sends is carried as its number.
enum class URLSessionWebSocketCloseCode : std::int32_t {
    invalid = 0,
    normalClosure = 1000,
    goingAway = 1001,
    protocolError = 1002,
    unsupportedData = 1003,
    noStatusReceived = 1005,
    abnormalClosure = 1006,
    invalidFramePayloadData = 1007,
    policyViolation = 1008,
    messageTooBig = 1009,
    mandatoryExtensionMissing = 1010,
    internalServerError = 1011,
    tlsHandshakeFailure = 1015,
};

// The delegate of a session's WebSocket tasks. Callbacks run on the session's executor, one at
// a time; they should return quickly.
class URLSessionWebSocketDelegate : public URLSessionTaskDelegate {
public:
    // The upgrade handshake succeeded.
    virtual void didOpenWithProtocol(URLSession& session, URLSessionWebSocketTask& task,
                                     const std::optional<std::string>& protocol) {}
    // The server sent a close frame (reason: its bytes, absent when it sent none).
    virtual void didCloseWith(URLSession& session, URLSessionWebSocketTask& task,
                              URLSessionWebSocketCloseCode closeCode,
                              const std::optional<std::string>& reason) {}
    // The task has ended: error is empty for a normal end, else a URLError (cancelled after
    // cancel(), timedOut, cannotConnectToHost, badServerResponse for a refused upgrade...) or
    // another NSError.
    virtual void didCompleteWithError(URLSession& session, URLSessionWebSocketTask& task,
                                      std::exception_ptr error) {}
};

class URLSessionWebSocketTask {
public:
    enum class State { running, suspended, canceling, completed };

    // A suspended task for a ws, wss, http or https URL on the session's executor. The session
    // takes no delegate of its own here, so the WebSocket delegate is given with the task.
    static std::shared_ptr<URLSessionWebSocketTask> make(
        std::shared_ptr<URLSession> session, URLRequest request,
        std::shared_ptr<URLSessionWebSocketDelegate> delegate = nullptr);

    // Ends the connection at once (no close frame) if it is still up.
    ~URLSessionWebSocketTask();
    URLSessionWebSocketTask(const URLSessionWebSocketTask&) = delete;
    URLSessionWebSocketTask& operator=(const URLSessionWebSocketTask&) = delete;

    // Starts opening. Later calls do nothing. On an invalidated session the task ends cancelled.
    void resume();

    // Queues one message and waits until it has been written. Fails with the task's error once
    // it has ended. A message whose write takes longer than the idle limit (the smaller of the
    // request's and the configuration's time-out) ends the task with timedOut. Cancelling the
    // awaiting task ends the wait with CancellationError; a message already queued is still sent.
    boost::asio::awaitable<void> send(URLSessionWebSocketMessage message);
    // Several messages, written back to back in this order, each as one WebSocket message, and
    // waits until the last has been written. One wait and few socket writes for many messages:
    // they are masked into a staging buffer of bounded size and written as the socket takes
    // them; the idle limit applies to each socket write. A failure ends the batch; the messages
    // after it are not sent.
    boost::asio::awaitable<void> send(std::vector<URLSessionWebSocketMessage> messages);

    // The next message from the server. Cancelling the awaiting task ends the wait with
    // CancellationError and consumes nothing. After the connection has ended: the messages that
    // had arrived, then the error that ended it (a close from the server gives NSPOSIXErrorDomain
    // 57 "Socket is not connected"; a frame that breaks the protocol gives URLError
    // networkConnectionLost; a message over the limit NSPOSIXErrorDomain 40 "Message too long";
    // cancel() gives URLError cancelled).
    boost::asio::awaitable<URLSessionWebSocketMessage> receive();

    // Sends a close frame with the code and reason (at most 123 bytes) once the message being
    // written is out, then closes the connection; the caller does not wait. Queued sends and
    // pending receives fail with URLError cancelled at once. The connection is dropped after
    // the configuration's closingHandshakeTimeout if the server does not finish the handshake.
    void cancel(URLSessionWebSocketCloseCode closeCode, std::optional<std::string> reason);
    // Ends the task at once without a close frame.
    void cancel();

    State state() const;
    // The code and reason of the server's close frame (invalid and absent until then).
    URLSessionWebSocketCloseCode closeCode() const;
    std::optional<std::string> closeReason() const;

    // Messages larger than this fail the connection (close code 1009). Set before resume().
    std::int64_t maximumMessageSize() const;
    void setMaximumMessageSize(std::int64_t bytes);

    const URLRequest& originalRequest() const;

    // Waits until every connection of the process that was opened has ended (a closing
    // handshake finished or given up after its limit), at most `limit`; true when none is left.
    // The network threads do not outlive the process, so a program that cancelled a connection
    // lets its close frame reach the server this way before it exits.
    static bool waitUntilAllEnded(std::chrono::milliseconds limit);

    struct Core;  // the connection; lives on while its operations finish

private:
    explicit URLSessionWebSocketTask(std::shared_ptr<Core> core) : core_(std::move(core)) {}
    std::shared_ptr<Core> core_;
};

}  // namespace platform
