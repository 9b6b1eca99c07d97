#include "TarvoShareExtension/Intake/ItemMaterializer.h"

#include <optional>

#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/Intake/ShareIntakeError.h"
#include "TarvoShareExtension/Intake/TemporaryFileName.h"
#include "platform/concurrency/Task.h"
#include "platform/filesystem/FileManager.h"
#include "platform/filesystem/SecurityScope.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using platform::UTType;

namespace {

constexpr int kFileReadUnsupportedSchemeError = 262;

// The base name of an image written from data: the suggested name trimmed, or "image".
std::string imageBaseName(const platform::NSItemProvider& provider) {
    std::string base = platform::text::trimmed(provider.suggestedName().value_or(""));
    return base.empty() ? std::string("image") : base;
}

bool conforms(const platform::NSItemProvider& provider, const UTType& type) {
    return provider.hasItemConformingToTypeIdentifier(type.identifier());
}

}  // namespace

std::string pickBestTypeIdentifier(const platform::NSItemProvider& provider,
                                   const std::vector<UTType>& preferred, std::string fallback) {
    for (const auto& type : preferred)
        if (conforms(provider, type)) return type.identifier();
    for (const auto& id : provider.registeredTypeIdentifiers()) {
        auto type = UTType::fromIdentifier(id);
        if (type && type->conforms(UTType::image())) return id;
    }
    return fallback;
}

TempItem copySecurityScopedToTemp(const platform::URL& url, const std::string& temporaryDirectory,
                                  const FolderZipProgressCallback& zipProgress) {
    platform::SecurityScopedAccess access(url);
    if (!url.isFileURL()) {
        throw platform::NSError(platform::kCocoaErrorDomain, kFileReadUnsupportedSchemeError,
                                "The file couldn't be opened because the specified URL type isn't supported.");
    }
    const std::string source = url.path();
    std::string displayName = lastPathComponent(source);
    if (displayName.empty()) displayName = "shared.bin";

    auto& fm = platform::FileManager::defaultManager();
    bool isDirectory = false;
    if (fm.fileExists(source, &isDirectory) && isDirectory) {
        FolderZipOptions zipOptions;
        zipOptions.progress = zipProgress;
        return archiveDirectoryToTemp(url, displayName, temporaryDirectory, zipOptions);
    }

    const std::string ext = platform::text::lowercased(pathExtension(displayName));
    const std::string destination = makeTemporaryFilePath(temporaryDirectory, ".", ext);
    if (fm.fileExists(destination)) {
        try {
            fm.removeItem(destination);
        } catch (...) {
        }
    }
    fm.copyItem(source, destination, platform::FileAccess::ownerOnly);

    std::string contentType = "application/octet-stream";
    if (auto type = UTType::fromFilenameExtension(ext, UTType::data())) {
        if (auto mime = type->preferredMIMEType()) contentType = *mime;
    }
    return TempItem{platform::URL::fileURL(destination), displayName, contentType};
}

TempItem writeTextToTemp(std::string_view text, std::string_view suggestedName, std::string_view contentType,
                         const std::string& temporaryDirectory) {
    if (!platform::text::isValidUTF8(text)) throw shareIntakeError(ShareIntakeErrorCode::textNotUTF8);
    const std::string path = makeTemporaryFilePath(temporaryDirectory, "_", suggestedName);
    platform::FileManager::defaultManager().writeAtomically(path, text, platform::FileAccess::ownerOnly);
    return TempItem{platform::URL::fileURL(path), std::string(suggestedName), std::string(contentType)};
}

TempItem writeDataToTemp(std::span<const std::uint8_t> data, std::string_view suggestedName,
                         std::string_view contentType, const std::string& temporaryDirectory) {
    std::string name(suggestedName);
    if (platform::text::trimmed(name).empty()) name = "shared.bin";
    const std::string path = makeTemporaryFilePath(temporaryDirectory, "_", name);
    platform::FileManager::defaultManager().writeAtomically(path, data, platform::FileAccess::ownerOnly);
    return TempItem{platform::URL::fileURL(path), name, std::string(contentType)};
}

platform::Async<TempItem> materializeImageToTempFile(ProviderPtr provider, std::string temporaryDirectory) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::expectedImage);
    const std::string picked = pickBestTypeIdentifier(
        *provider,
        {UTType::jpeg(), UTType::png(), UTType::heic(), UTType::heif(), UTType::gif(), UTType::tiff(), UTType::bmp()},
        UTType::image().identifier());

    std::optional<TempItem> item;
    try {
        item = co_await loadFileRepresentation(provider, picked, temporaryDirectory);
    } catch (...) {
    }
    if (item) co_return std::move(*item);

    try {
        platform::ProviderData data = co_await loadDataRepresentation(provider, picked);
        const UTType type = UTType::fromIdentifier(picked).value_or(UTType::image());
        const std::string ext = type.preferredFilenameExtension().value_or("img");
        const std::string contentType = type.preferredMIMEType().value_or("application/octet-stream");
        std::string name = imageBaseName(*provider);
        if (name.find('.') == std::string::npos) name += "." + ext;
        item = writeDataToTemp(data, name, contentType, temporaryDirectory);
    } catch (...) {
    }
    if (item) co_return std::move(*item);

    platform::ProviderData jpeg = co_await loadUIImageAsJPEGData(provider);
    std::string name = imageBaseName(*provider);
    if (name.find('.') == std::string::npos) name += ".jpg";
    co_return writeDataToTemp(jpeg, name, "image/jpeg", temporaryDirectory);
}

namespace {

// The copy (or zip) of a shared file URL, where the options say.
platform::Async<TempItem> copyToTemp(platform::URL url, std::string temporaryDirectory, MaterializeOptions options) {
    auto copy = [url, temporaryDirectory, progress = options.zipProgress] {
        return copySecurityScopedToTemp(url, temporaryDirectory, progress);
    };
    return onFileWork(options.fileWork, std::move(copy));
}

}  // namespace

platform::Async<TempItem> materializeToTempFile(ProviderPtr provider, std::string temporaryDirectory) {
    return materializeToTempFile(std::move(provider), std::move(temporaryDirectory), MaterializeOptions{});
}

platform::Async<TempItem> materializeToTempFile(ProviderPtr provider, std::string temporaryDirectory,
                                                MaterializeOptions options) {
    if (!provider) throw shareIntakeError(ShareIntakeErrorCode::unsupportedItemType);
    const platform::NSItemProvider& p = *provider;
    std::optional<TempItem> item;

    if (conforms(p, UTType::folder())) {
        std::optional<platform::URL> url;
        try {
            url = co_await loadItemURL(provider, UTType::folder().identifier());
        } catch (...) {
        }
        if (url) {
            platform::Async<TempItem> copying = copyToTemp(*url, temporaryDirectory, options);
            co_return co_await std::move(copying);
        }
        try {
            item = co_await loadFileRepresentation(provider, UTType::folder().identifier(), temporaryDirectory);
        } catch (...) {
        }
        if (item) co_return std::move(*item);
    }

    if (conforms(p, UTType::fileURL())) {
        platform::URL url = co_await loadItemURL(provider, UTType::fileURL().identifier());
        platform::Async<TempItem> copying = copyToTemp(std::move(url), temporaryDirectory, options);
        co_return co_await std::move(copying);
    }

    if (conforms(p, UTType::image())) {
        try {
            item = co_await materializeImageToTempFile(provider, temporaryDirectory);
        } catch (...) {
        }
        if (item) co_return std::move(*item);
    }

    const std::vector<UTType> fileSteps{UTType::item(), UTType::data()};
    for (const UTType& type : fileSteps) {
        if (!conforms(p, type)) continue;
        try {
            item = co_await loadFileRepresentation(provider, type.identifier(), temporaryDirectory);
        } catch (...) {
        }
        if (item) co_return std::move(*item);
    }

    if (conforms(p, UTType::url())) {
        platform::URL url = co_await loadItemURL(provider, UTType::url().identifier());
        co_return writeTextToTemp(url.absoluteString(), "link.txt", kPlainTextUTF8ContentType, temporaryDirectory);
    }

    if (conforms(p, UTType::plainText())) {
        std::string text = co_await loadItemString(provider, UTType::plainText().identifier());
        co_return writeTextToTemp(text, "note.txt", kPlainTextUTF8ContentType, temporaryDirectory);
    }

    const auto registered = p.registeredTypeIdentifiers();
    if (registered.empty()) throw shareIntakeError(ShareIntakeErrorCode::unsupportedItemType);
    try {
        item = co_await loadFileRepresentation(provider, registered.front(), temporaryDirectory);
    } catch (...) {
    }
    if (item) co_return std::move(*item);
    throw shareIntakeError(ShareIntakeErrorCode::unsupportedItemType);
}

}  // namespace tarvo
