#pragma once
// The item provider's callback loaders as coroutines. Each completes exactly once; an error
// the provider reports is passed on unchanged, a missing value becomes the "ShareExtension"
// error of that loader.
#include <memory>
#include <string>

#include "TarvoShareExtension/Intake/TempItem.h"
#include "platform/concurrency/Async.h"
#include "platform/extension/NSItemProvider.h"

namespace tarvo {

using ProviderPtr = std::shared_ptr<platform::NSItemProvider>;

// The handed file copied into temporaryDirectory (a folder becomes a zip archive). The copy is
// taken inside the provider's callback, while the handed file still exists.
// Missing URL: code 2.
platform::Async<TempItem> loadFileRepresentation(ProviderPtr provider, std::string typeIdentifier,
                                                 std::string temporaryDirectory);
// Missing data: code 6.
platform::Async<platform::ProviderData> loadDataRepresentation(ProviderPtr provider, std::string typeIdentifier);
// The provider's image object as JPEG at quality 0.92. Not an image: code 7; nothing encoded: 8.
platform::Async<platform::ProviderData> loadUIImageAsJPEGData(ProviderPtr provider);
// The item as a URL (strings and data are not converted). Otherwise code 3.
platform::Async<platform::URL> loadItemURL(ProviderPtr provider, std::string typeIdentifier);
// The item as a string. Otherwise code 4.
platform::Async<std::string> loadItemString(ProviderPtr provider, std::string typeIdentifier);

inline constexpr double kImageJPEGQuality = 0.92;

}  // namespace tarvo
