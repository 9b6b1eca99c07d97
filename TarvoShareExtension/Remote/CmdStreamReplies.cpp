#include "TarvoShareExtension/Remote/CmdStreamReplies.h"

#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "platform/foundation/Text.h"

namespace tarvo {

bool takeFrameUntilExit(const StreamMessage& message, CmdStreamOutput& output) {
    auto frame = decodeCmdFrame(message);
    if (!frame) return false;
    if (frame->kind == CmdStreamFrame::Kind::error) throw RemoteFailure::server(frame->text);
    if (frame->kind != CmdStreamFrame::Kind::exit) {
        output.append(*frame);
        return false;
    }
    if (frame->code != 0) {
        throw RemoteTransferError::uploadFailed("exit " + std::to_string(frame->code) + ": " +
                                                output.failureDetail());
    }
    return true;
}

bool DetachedRunReplies::take(const StreamMessage& message) {
    auto frame = decodeCmdFrame(message);
    if (!frame) return false;
    switch (frame->kind) {
        case CmdStreamFrame::Kind::standardOutput:
        case CmdStreamFrame::Kind::standardError:
        case CmdStreamFrame::Kind::meta: {
            std::string t = platform::text::trimmed(frame->text);
            // Only its end can reach the error below.
            if (!t.empty()) lastOutput_ = platform::text::shortenedKeepingEnd(t, CmdStreamOutput::kDetailCharacters);
            return false;
        }
        case CmdStreamFrame::Kind::runMeta:
            launched_ = RemoteCommandLaunchResult{frame->runID, frame->logPath};
            return true;
        case CmdStreamFrame::Kind::error: throw RemoteFailure::server(frame->text);
        case CmdStreamFrame::Kind::exit:
            throw RemoteTransferError::uploadFailed("command exited before run metadata arrived (exit " +
                                                    std::to_string(frame->code) + "): " + lastOutput_);
    }
    return false;
}

}  // namespace tarvo
