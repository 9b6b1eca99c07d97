#pragma once
// The WebSocket side of the remote client: what the command stream asks of a transport (open a
// socket to a URL with headers) and of the channel it gets back (send text, receive messages,
// close).
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/concurrency/Async.h"
#include "platform/foundation/Url.h"
#include "platform/net/URLSessionWebSocketTask.h"

namespace tarvo {

// One WebSocket message as the platform delivers it: text or bytes.
using StreamMessage = platform::URLSessionWebSocketMessage;

struct StreamRequest {
    platform::URL url;                           // ws or wss
    std::map<std::string, std::string> headers;  // the command stream passes "Authorization"
};

// An open WebSocket. Send and receive may be awaited from different tasks at the same time.
class StreamChannel {
public:
    virtual ~StreamChannel() = default;
    // One text message. Throws TransportError.
    virtual platform::Async<void> send(std::string text) = 0;
    // Several text messages in this order, as send() would send them one after the other,
    // returning once the last has been written. Throws TransportError; a failure leaves the
    // messages after the failed one unsent. A channel that can write a batch with one wait
    // overrides it.
    virtual platform::Async<void> sendAll(std::vector<std::string> texts);
    // The next message. Throws TransportError. A receive abandoned by its caller consumes
    // nothing: the next one delivers the message.
    virtual platform::Async<StreamMessage> receive() = 0;
    // Closes the connection (close code 1001, no reason) and waits for nothing. Never throws.
    virtual platform::Async<void> close() = 0;
};

class StreamTransport {
public:
    virtual ~StreamTransport() = default;
    // A channel whose handshake has completed. Throws TransportError.
    virtual platform::Async<std::shared_ptr<StreamChannel>> open(StreamRequest request) const = 0;
};

}  // namespace tarvo
