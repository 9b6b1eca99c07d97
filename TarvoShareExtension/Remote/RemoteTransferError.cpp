#include "TarvoShareExtension/Remote/RemoteTransferError.h"

#include "Core/DisplayText.h"

namespace tarvo {

RemoteTransferError::RemoteTransferError(Kind kind, std::string message)
    : LocalizedError(kind == Kind::uploadFailed ? "Upload failed: " + message : "Invalid destination path."),
      kind_(kind),
      message_(std::move(message)) {}

RemoteTransferError RemoteTransferError::uploadFailed(std::string message) {
    return RemoteTransferError(Kind::uploadFailed, displayText(message));
}

RemoteTransferError RemoteTransferError::invalidDestination() {
    return RemoteTransferError(Kind::invalidDestination, "");
}

}  // namespace tarvo
