#pragma once
// One shared item as one file of the share's temporary folder (given by the caller, from its
// environment). The item's representation is
// chosen by probing its types in a fixed order: folder, file URL, image, item, data, URL,
// plain text, then whatever it registered first. Folders always become zip archives. Every
// call makes a new file whose name begins with a fresh UUID; nothing here deletes them.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/ItemLoaders.h"
#include "TarvoShareExtension/Intake/TempItem.h"
#include "platform/concurrency/Task.h"
#include "platform/extension/UTType.h"

namespace tarvo {

platform::Async<TempItem> materializeToTempFile(ProviderPtr provider, std::string temporaryDirectory);

// What a caller that shows the preparation of an item adds.
struct MaterializeOptions {
    // Where a shared file's copy or a shared folder's zip runs, so that a large one does not
    // hold up the caller's executor (the main queue, whose screen shows the progress); unset,
    // it runs on the caller's.
    std::optional<platform::Executor> fileWork;
    // The zip's progress when the item is a folder (FolderZipOptions::progress), called where
    // the zip runs.
    FolderZipProgressCallback zipProgress;
};
platform::Async<TempItem> materializeToTempFile(ProviderPtr provider, std::string temporaryDirectory,
                                                MaterializeOptions options);

// work() where MaterializeOptions::fileWork says: on that executor when there is one, else right
// here on the caller's.
template <class F>
auto onFileWork(std::optional<platform::Executor> fileWork, F work) -> platform::Async<std::invoke_result_t<F&>> {
    using T = std::invoke_result_t<F&>;
    if (!fileWork) co_return work();
    auto task = [work = std::move(work)]() mutable -> platform::Async<T> { co_return work(); };
    // Named, not awaited as a temporary: g++ 12 mishandles temporaries around a co_await.
    platform::Async<T> running = platform::runOn(*fileWork, std::move(task));
    co_return co_await std::move(running);
}
// The image branch: the file, else the raw data of the best image type, else the image
// object re-encoded as JPEG.
platform::Async<TempItem> materializeImageToTempFile(ProviderPtr provider, std::string temporaryDirectory);

// The first preferred type the provider conforms to, else its first registered identifier
// that is a known image type (as registered), else fallback.
std::string pickBestTypeIdentifier(const platform::NSItemProvider& provider,
                                   const std::vector<platform::UTType>& preferred, std::string fallback);

// A copy of the file at url (a folder becomes its zip archive), travelling under the URL's
// last path component ("shared.bin" when empty) with the MIME type of its extension.
TempItem copySecurityScopedToTemp(const platform::URL& url, const std::string& temporaryDirectory,
                                  const FolderZipProgressCallback& zipProgress = {});
// text as UTF-8 (code 5 when it is not valid UTF-8), travelling under suggestedName.
TempItem writeTextToTemp(std::string_view text, std::string_view suggestedName, std::string_view contentType,
                         const std::string& temporaryDirectory);
// data, travelling under suggestedName ("shared.bin" when it is blank).
TempItem writeDataToTemp(std::span<const std::uint8_t> data, std::string_view suggestedName,
                         std::string_view contentType, const std::string& temporaryDirectory);

inline constexpr const char* kPlainTextUTF8ContentType = "text/plain; charset=utf-8";

}  // namespace tarvo
