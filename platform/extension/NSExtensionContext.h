#pragma once
// The extension request: the input items the host hands over, and how the extension ends
// the request (completed, or cancelled with an error). The host watches the outcome through
// a handler.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/extension/NSItemProvider.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/PropertyList.h"

namespace platform {

// The common base of the objects an input item list can hold.
class NSObject {
public:
    virtual ~NSObject() = default;
};

class NSExtensionItem : public NSObject {
public:
    // nullopt: the item carries no attachment list at all.
    std::optional<std::vector<std::shared_ptr<NSItemProvider>>> attachments;
};

class NSExtensionContext {
public:
    enum class RequestState { pending, completed, cancelled };
    struct Outcome {
        RequestState state = RequestState::pending;
        std::vector<std::shared_ptr<NSExtensionItem>> returnedItems;
        std::optional<ErrorInfo> cancellationError;
    };
    using OutcomeHandler = std::function<void(const Outcome&)>;

    // Any objects; the extension keeps the NSExtensionItem ones.
    std::vector<std::shared_ptr<NSObject>> inputItems;

    // Key-value coding: a value set here also makes the context answer to a selector of
    // that name. Selectors and keys not set here are not answered.
    bool respondsToSelector(std::string_view selector) const;
    std::optional<PropertyList> valueForKey(std::string_view key) const;
    void setValueForKey(std::string key, PropertyList value);

    // The first of completeRequest / cancelRequest decides the outcome; later calls are
    // ignored (and a completion handler then receives false).
    void completeRequest(std::vector<std::shared_ptr<NSExtensionItem>> returningItems,
                         std::function<void(bool expired)> completionHandler = nullptr);
    void cancelRequest(const NSError& error);

    Outcome outcome() const;
    // Called once, when the request ends.
    void setOutcomeHandler(OutcomeHandler handler);

private:
    mutable std::mutex mutex_;
    std::map<std::string, PropertyList, std::less<>> values_;
    Outcome outcome_;
    OutcomeHandler handler_;
};

}  // namespace platform
