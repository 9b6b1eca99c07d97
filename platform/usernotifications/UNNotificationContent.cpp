#include "platform/usernotifications/UNNotificationContent.h"

#include <stdexcept>

namespace platform {

UNMutableNotificationContent UNNotificationContent::mutableCopy() const {
    UNMutableNotificationContent copy;
    static_cast<UNNotificationContent&>(copy) = *this;
    return copy;
}

void UNMutableNotificationContent::setUserInfo(Json userInfo) {
    if (!userInfo.is_object()) throw std::invalid_argument("notification user info must be a JSON object");
    userInfo_ = std::move(userInfo);
}

}  // namespace platform
