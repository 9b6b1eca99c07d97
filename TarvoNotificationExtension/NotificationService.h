#pragma once
// The notification service: rewrites run notifications from the servers' push relay into a
// readable title and body, drops the retired "/ default@main" tail from every text, and
// chooses the sound from the user's settings in the app group.
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"
#include "platform/usernotifications/UNNotificationServiceExtension.h"

namespace tarvo {

class NotificationService : public platform::UNNotificationServiceExtension {
public:
    NotificationService();

    // Rewrites the content and calls the handler once, before returning.
    void didReceive(const platform::UNNotificationRequest& request, ContentHandler contentHandler) override;
    // Hands the best attempt so far to the handler, unless it has already been called.
    void serviceExtensionTimeWillExpire() override;

private:
    static std::string stripRetiredLineageProjection(std::string_view text);
    static void humanizeRunNotification(platform::UNMutableNotificationContent& content,
                                        const platform::Json& userInfo);
    static std::string recoverArtifact(std::string_view from);

    ContentHandler contentHandler;
    std::optional<platform::UNMutableNotificationContent> bestAttempt;
};

}  // namespace tarvo
