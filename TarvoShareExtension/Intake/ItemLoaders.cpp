#include "TarvoShareExtension/Intake/ItemLoaders.h"

#include <optional>

#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/Intake/ShareIntakeError.h"
#include "platform/concurrency/Continuation.h"

namespace tarvo {

using platform::Continuation;
using platform::ProviderData;
using platform::ProviderItem;

platform::Async<TempItem> loadFileRepresentation(ProviderPtr provider, std::string typeIdentifier,
                                                 std::string temporaryDirectory) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::missingFileRepresentationURL);
    co_return co_await platform::withContinuation<TempItem>([&](Continuation<TempItem> c) {
        provider->loadFileRepresentation(typeIdentifier, [c, temporaryDirectory](std::optional<platform::URL> url,
                                                                                 std::exception_ptr error) {
            if (error) {
                c.resumeThrowing(error);
                return;
            }
            if (!url) {
                c.resumeThrowing(shareIntakeError(ShareIntakeErrorCode::missingFileRepresentationURL));
                return;
            }
            // The handed file is removed as soon as this callback returns: copy it now.
            try {
                c.resume(copySecurityScopedToTemp(*url, temporaryDirectory));
            } catch (...) {
                c.resumeThrowing(std::current_exception());
            }
        });
    });
}

platform::Async<ProviderData> loadDataRepresentation(ProviderPtr provider, std::string typeIdentifier) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::missingDataRepresentation);
    co_return co_await platform::withContinuation<ProviderData>([&](Continuation<ProviderData> c) {
        provider->loadDataRepresentation(typeIdentifier, [c](std::optional<ProviderData> data, std::exception_ptr error) {
            if (error) {
                c.resumeThrowing(error);
            } else if (!data) {
                c.resumeThrowing(shareIntakeError(ShareIntakeErrorCode::missingDataRepresentation));
            } else {
                c.resume(std::move(*data));
            }
        });
    });
}

namespace {

platform::Async<ProviderItem> loadItemValue(ProviderPtr provider, std::string typeIdentifier, bool asObject) {
    co_return co_await platform::withContinuation<ProviderItem>([&](Continuation<ProviderItem> c) {
        auto done = [c](ProviderItem item, std::exception_ptr error) {
            if (error) {
                c.resumeThrowing(error);
            } else {
                c.resume(std::move(item));
            }
        };
        if (asObject) {
            provider->loadObject(platform::NSItemProvider::ObjectClass::image, done);
        } else {
            provider->loadItem(typeIdentifier, done);
        }
    });
}

}  // namespace

platform::Async<ProviderData> loadUIImageAsJPEGData(ProviderPtr provider) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::expectedImage);
    ProviderItem object = co_await loadItemValue(provider, "", true);
    auto* image = std::get_if<std::shared_ptr<platform::UIImage>>(&object);
    if (!image || !*image) throw shareIntakeError(ShareIntakeErrorCode::expectedImage);
    auto jpeg = (*image)->jpegData(kImageJPEGQuality);
    if (!jpeg || jpeg->empty()) throw shareIntakeError(ShareIntakeErrorCode::jpegEncodingFailed);
    co_return std::move(*jpeg);
}

platform::Async<platform::URL> loadItemURL(ProviderPtr provider, std::string typeIdentifier) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::expectedURLItem);
    ProviderItem item = co_await loadItemValue(provider, typeIdentifier, false);
    auto* url = std::get_if<platform::URL>(&item);
    if (!url) throw shareIntakeError(ShareIntakeErrorCode::expectedURLItem);
    co_return *url;
}

platform::Async<std::string> loadItemString(ProviderPtr provider, std::string typeIdentifier) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::expectedStringItem);
    ProviderItem item = co_await loadItemValue(provider, typeIdentifier, false);
    auto* text = std::get_if<std::string>(&item);
    if (!text) throw shareIntakeError(ShareIntakeErrorCode::expectedStringItem);
    co_return std::move(*text);
}

}  // namespace tarvo
