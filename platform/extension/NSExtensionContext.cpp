#include "platform/extension/NSExtensionContext.h"

namespace platform {

bool NSExtensionContext::respondsToSelector(std::string_view selector) const {
    std::lock_guard lock(mutex_);
    return values_.find(selector) != values_.end();
}

std::optional<PropertyList> NSExtensionContext::valueForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void NSExtensionContext::setValueForKey(std::string key, PropertyList value) {
    std::lock_guard lock(mutex_);
    values_[std::move(key)] = std::move(value);
}

void NSExtensionContext::completeRequest(std::vector<std::shared_ptr<NSExtensionItem>> returningItems,
                                         std::function<void(bool)> completionHandler) {
    OutcomeHandler handler;
    Outcome snapshot;
    bool accepted = false;
    {
        std::lock_guard lock(mutex_);
        if (outcome_.state == RequestState::pending) {
            outcome_.state = RequestState::completed;
            outcome_.returnedItems = std::move(returningItems);
            handler = handler_;
            snapshot = outcome_;
            accepted = true;
        }
    }
    if (accepted && handler) handler(snapshot);
    // The request is never cut short by expiry here.
    if (completionHandler) completionHandler(!accepted);
}

void NSExtensionContext::cancelRequest(const NSError& error) {
    OutcomeHandler handler;
    Outcome snapshot;
    {
        std::lock_guard lock(mutex_);
        if (outcome_.state != RequestState::pending) return;
        outcome_.state = RequestState::cancelled;
        outcome_.cancellationError = error.info();
        handler = handler_;
        snapshot = outcome_;
    }
    if (handler) handler(snapshot);
}

NSExtensionContext::Outcome NSExtensionContext::outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
}

void NSExtensionContext::setOutcomeHandler(OutcomeHandler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

}  // namespace platform
