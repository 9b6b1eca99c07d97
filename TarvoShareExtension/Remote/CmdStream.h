#pragma once
// The command stream's asynchronous helpers: the receive with a soft time limit and the
// hand-off of a channel's close to a task of its own. The frames and their rules are in
// CmdStreamFrame.h.
#include <memory>
#include <optional>

#include "TarvoShareExtension/Remote/CmdStreamFrame.h"
#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "platform/concurrency/Async.h"

namespace tarvo {

// The next message, or nothing when `seconds` (at least 0.05) ran out first. The channel stays
// open either way. A message that arrives as the time runs out is returned, never dropped.
// Throws the receive's error when the receive fails first.
platform::Async<std::optional<StreamMessage>> receiveCmdFrameWithSoftTimeout(
    std::shared_ptr<StreamChannel> channel, double seconds);

// One message received while a command runs to its end: output, meta and run-meta frames are
// gathered into `output` and undecodable messages are skipped (false: wait for more); an error
// frame throws RemoteFailure::server with its text; an exit frame ends the wait, returning true
// for 0 and throwing RemoteTransferError::uploadFailed("exit <code>: <detail>") otherwise.
bool takeFrameUntilExit(const StreamMessage& message, CmdStreamOutput& output);

// Starts the channel's close in a task of its own that nobody awaits.
void closeChannelDetached(std::shared_ptr<StreamChannel> channel);

// Closes a channel (without waiting) when the operation that owns it ends, however it ends.
class ChannelCloseGuard {
public:
    explicit ChannelCloseGuard(std::shared_ptr<StreamChannel> channel) : channel_(std::move(channel)) {}
    ~ChannelCloseGuard() { closeChannelDetached(std::move(channel_)); }
    ChannelCloseGuard(const ChannelCloseGuard&) = delete;
    ChannelCloseGuard& operator=(const ChannelCloseGuard&) = delete;

private:
    std::shared_ptr<StreamChannel> channel_;
};

}  // namespace tarvo
