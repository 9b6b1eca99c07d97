#pragma once
// The upload engine's failure, also thrown by the command-stream operations.
#include <string>

#include "platform/foundation/ErrorInfo.h"

namespace tarvo {

class RemoteTransferError : public platform::LocalizedError {
public:
    enum class Kind { uploadFailed, invalidDestination };

    // "Upload failed: <message>", the message cut to kDisplayTextLimit characters and "…".
    static RemoteTransferError uploadFailed(std::string message);
    // "Invalid destination path.".
    static RemoteTransferError invalidDestination();

    Kind kind() const noexcept { return kind_; }
    // uploadFailed only.
    const std::string& message() const noexcept { return message_; }

private:
    RemoteTransferError(Kind kind, std::string message);
    Kind kind_;
    std::string message_;
};

}  // namespace tarvo
