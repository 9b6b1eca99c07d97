#include "platform/foundation/ErrorInfo.h"

namespace platform {

NSError::NSError(ErrorInfo info)
    : std::runtime_error(info.localizedDescription), info_(std::move(info)) {}

NSError::NSError(std::string domain, std::int64_t code, std::string description)
    : NSError(ErrorInfo{std::move(domain), code, std::move(description)}) {}

std::string describeError(const std::exception& e) {
    if (auto* localized = dynamic_cast<const LocalizedError*>(&e)) return localized->errorDescription();
    if (auto* ns = dynamic_cast<const NSError*>(&e)) return ns->localizedDescription();
    return e.what();
}

}  // namespace platform
