#pragma once
// What the server's messages mean to the two ways a command is waited for: a command run to its
// end, and a detached run whose identity is awaited. Plain steps, one message at a time, so the
// waits in CmdStream.h and RemoteAPICmdStream.cpp stay about time and channels.
#include <optional>
#include <string>

#include "TarvoShareExtension/Remote/CmdStreamFrame.h"
#include "TarvoShareExtension/Remote/RemoteCommandLaunchResult.h"

namespace tarvo {

// One message received while a command runs to its end: output, meta and run-meta frames are
// gathered into `output` and undecodable messages are skipped (false: wait for more); an error
// frame throws RemoteFailure::server with its text; an exit frame ends the wait, returning true
// for 0 and throwing RemoteTransferError::uploadFailed("exit <code>: <detail>") otherwise.
bool takeFrameUntilExit(const StreamMessage& message, CmdStreamOutput& output);

// The messages of a detached start, up to the run's identity. take() returns true once the
// run-meta frame has come (launched() then holds it); output and meta frames only remember their
// last non-blank text (trimmed, its last CmdStreamOutput::kDetailCharacters characters), and
// other messages are skipped. An error frame throws RemoteFailure::server with its text; an exit
// frame, whatever its code, throws RemoteTransferError::uploadFailed("command exited before run
// metadata arrived (exit <code>): <last output>"). A message that is not JSON throws
// platform::JsonParseError.
class DetachedRunReplies {
public:
    bool take(const StreamMessage& message);
    const std::optional<RemoteCommandLaunchResult>& launched() const { return launched_; }

private:
    std::string lastOutput_;
    std::optional<RemoteCommandLaunchResult> launched_;
};

}  // namespace tarvo
