#pragma once
// Reading the share request: its item providers in order, and the sharing app's bundle
// identifier where the host reveals it.
#include <optional>
#include <string>

#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "platform/extension/NSExtensionContext.h"

namespace tarvo {

// The attachments of every NSExtensionItem among the input items, in item order; other
// input objects and items without attachments contribute nothing. Empty without a context.
ProviderList collectProviders(const platform::NSExtensionContext* context);

// The trimmed "sourceApplicationBundleIdentifier" of the context when it answers that
// selector with a non-blank string; nothing otherwise.
std::optional<std::string> sourceApplicationBundleIdentifierBestEffort(const platform::NSExtensionContext* context);

}  // namespace tarvo
