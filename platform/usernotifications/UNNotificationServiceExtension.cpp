#include "platform/usernotifications/UNNotificationServiceExtension.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

void UNNotificationServiceExtension::didReceive(const UNNotificationRequest& request,
                                                ContentHandler contentHandler) {
    if (contentHandler) contentHandler(request.content());
}

namespace {

// Shared with the handler, which the extension may keep and call after delivery has ended.
struct DeliveryState {
    std::mutex mutex;
    std::condition_variable delivered;
    std::optional<UNNotificationContent> content;
};

bool waitForContent(DeliveryState& state, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(state.mutex);
    return state.delivered.wait_until(lock, deadline, [&] { return state.content.has_value(); });
}

}  // namespace

UNNotificationDelivery deliverNotification(UNNotificationServiceExtension& extension,
                                           const UNNotificationRequest& request,
                                           const UNNotificationDeliveryOptions& options) {
    auto state = std::make_shared<DeliveryState>();
    UNNotificationServiceExtension::ContentHandler handler = [state](const UNNotificationContent& content) {
        std::lock_guard lock(state->mutex);
        if (state->content) return;
        state->content = content;
        state->delivered.notify_all();
    };

    UNNotificationDelivery result;
    const auto deadline = std::chrono::steady_clock::now() + options.timeBudget;
    try {
        extension.didReceive(request, handler);
    } catch (...) {
        // An extension that fails must not cost the user the notification: what it delivered
        // before failing stands, otherwise the push's own content is shown.
        std::lock_guard lock(state->mutex);
        if (state->content) {
            result.content = *state->content;
            result.path = UNNotificationDelivery::Path::handler;
        } else {
            state->content = request.content();
            result.content = request.content();
            result.path = UNNotificationDelivery::Path::original;
        }
        return result;
    }
    if (waitForContent(*state, deadline)) {
        std::lock_guard lock(state->mutex);
        result.content = *state->content;
        result.path = UNNotificationDelivery::Path::handler;
        return result;
    }

    try {
        extension.serviceExtensionTimeWillExpire();
    } catch (...) {
    }
    if (waitForContent(*state, std::chrono::steady_clock::now() + options.expiryGrace)) {
        std::lock_guard lock(state->mutex);
        result.content = *state->content;
        result.path = UNNotificationDelivery::Path::afterExpiry;
        return result;
    }
    {
        // Whatever arrives from now on is too late.
        std::lock_guard lock(state->mutex);
        state->content = request.content();
    }
    result.content = request.content();
    result.path = UNNotificationDelivery::Path::original;
    return result;
}

}  // namespace platform
