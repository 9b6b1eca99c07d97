#include "platform/usernotifications/UNNotificationSound.h"

namespace platform {

std::string UNNotificationSound::description() const {
    return kind_ == Kind::defaultSound ? std::string("default") : "named:" + name_;
}

}  // namespace platform
