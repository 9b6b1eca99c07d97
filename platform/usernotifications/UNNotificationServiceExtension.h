#pragma once
// The notification service extension point: the platform hands each push that asks to be
// modified to the extension's didReceive together with a content handler, and calls
// serviceExtensionTimeWillExpire when the handler has not been called within the time budget.
#include <chrono>
#include <functional>

#include "platform/usernotifications/UNNotificationContent.h"

namespace platform {

class UNNotificationServiceExtension {
public:
    using ContentHandler = std::function<void(const UNNotificationContent&)>;

    UNNotificationServiceExtension() = default;
    virtual ~UNNotificationServiceExtension() = default;
    UNNotificationServiceExtension(const UNNotificationServiceExtension&) = delete;
    UNNotificationServiceExtension& operator=(const UNNotificationServiceExtension&) = delete;

    // The base delivers the request's content unchanged.
    virtual void didReceive(const UNNotificationRequest& request, ContentHandler contentHandler);
    // The base does nothing.
    virtual void serviceExtensionTimeWillExpire() {}
};

// How the platform delivers one push through an extension.
struct UNNotificationDeliveryOptions {
    // Time from the start of didReceive until serviceExtensionTimeWillExpire.
    std::chrono::milliseconds timeBudget{30000};
    // Time the extension still has after the expiry call.
    std::chrono::milliseconds expiryGrace{1000};
};

struct UNNotificationDelivery {
    enum class Path {
        handler,      // the extension called the handler in time
        afterExpiry,  // the extension called it only from serviceExtensionTimeWillExpire
        original,     // it never called it (or failed): the push's own content is shown
    };
    UNNotificationContent content;
    Path path = Path::original;
};

// Runs one request through the extension the way the platform does: only the first call of the
// content handler counts (later ones are ignored, even from other threads), an extension that
// misses its budget is told so once, and one that still delivers nothing, or throws, has the
// request's original content shown.
UNNotificationDelivery deliverNotification(UNNotificationServiceExtension& extension,
                                           const UNNotificationRequest& request,
                                           const UNNotificationDeliveryOptions& options = {});

}  // namespace platform
