#pragma once
// The command stream's asynchronous helpers: the receive with a soft time limit, the wait for
// the server's frames that every operation shares, and the hand-off of a channel's close to a
// task of its own. The frames and their rules are in CmdStreamFrame.h, what they mean to each
// wait in CmdStreamReplies.h.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "TarvoShareExtension/Remote/CmdStreamFrame.h"
#include "TarvoShareExtension/Remote/CmdStreamReplies.h"
#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "platform/concurrency/Async.h"

namespace tarvo {

// The next message, or nothing when `seconds` (at least 0.05) ran out first. The channel stays
// open either way. A message that arrives as the time runs out is returned, never dropped.
// Throws the receive's error when the receive fails first.
platform::Async<std::optional<StreamMessage>> receiveCmdFrameWithSoftTimeout(
    std::shared_ptr<StreamChannel> channel, double seconds);

// How long an operation waits for the server's frames: each receive's soft wait, and the whole
// wait's limit with the text of the network error it ends with.
struct CmdStreamWait {
    double receiveSeconds = 2.0;
    double limitSeconds = 60;
    std::string timeoutText;
};

// Hands each message the server sends to take() until take() returns true (the wait is over) or
// throws (the operation fails with that error). Each turn checks, in this order, the calling
// task's cancellation (platform::CancellationError), the limit counted from the call
// (TransportError::network(timeoutText)), then waits one soft receive; a receive that fails
// ends the wait with its error. Every operation of the command stream waits through this.
platform::Async<void> receiveCmdFramesUntil(std::shared_ptr<StreamChannel> channel, CmdStreamWait wait,
                                            std::function<bool(const StreamMessage&)> take);

// Waits as receiveCmdFramesUntil does, taking each message with takeFrameUntilExit, and
// returns what the command printed once it has exited with 0.
platform::Async<CmdStreamOutput> receiveCmdOutputUntilExit(std::shared_ptr<StreamChannel> channel, CmdStreamWait wait);

// Starts the channel's close in a task of its own on `executor` that nobody awaits.
void closeChannelDetached(std::shared_ptr<StreamChannel> channel, const platform::Executor& executor);

// Closes a channel (without waiting, on the executor of the operation that owns it) when that
// operation ends, however it ends.
class ChannelCloseGuard {
public:
    ChannelCloseGuard(std::shared_ptr<StreamChannel> channel, platform::Executor executor)
        : channel_(std::move(channel)), executor_(std::move(executor)) {}
    ~ChannelCloseGuard() { closeChannelDetached(std::move(channel_), executor_); }
    ChannelCloseGuard(const ChannelCloseGuard&) = delete;
    ChannelCloseGuard& operator=(const ChannelCloseGuard&) = delete;

private:
    std::shared_ptr<StreamChannel> channel_;
    platform::Executor executor_;
};

}  // namespace tarvo
