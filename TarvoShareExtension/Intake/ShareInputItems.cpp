#include "TarvoShareExtension/Intake/ShareInputItems.h"

#include "platform/foundation/Text.h"

namespace tarvo {

ProviderList collectProviders(const platform::NSExtensionContext* context) {
    ProviderList out;
    if (!context) return out;
    for (const auto& object : context->inputItems) {
        auto item = std::dynamic_pointer_cast<platform::NSExtensionItem>(object);
        if (!item || !item->attachments) continue;
        out.insert(out.end(), item->attachments->begin(), item->attachments->end());
    }
    return out;
}

std::optional<std::string> sourceApplicationBundleIdentifierBestEffort(const platform::NSExtensionContext* context) {
    static constexpr const char* kKey = "sourceApplicationBundleIdentifier";
    if (!context || !context->respondsToSelector(kKey)) return std::nullopt;
    auto value = context->valueForKey(kKey);
    if (!value) return std::nullopt;
    const std::string* text = value->asString();
    if (!text) return std::nullopt;
    std::string trimmed = platform::text::trimmed(*text);
    if (trimmed.empty()) return std::nullopt;
    return trimmed;
}

}  // namespace tarvo
