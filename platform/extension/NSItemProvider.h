#pragma once
// One shared item: a suggested name and representations registered under type identifiers.
// A provider is a reference object; two providers are the same item only when they are the
// same object.
//
// Loading: each load finds the first registration, in registration order, whose type conforms
// to the requested type, runs its loader on the provider queue (a background thread) and
// calls the completion there, exactly once: with a value, or with an error (an
// NSItemProviderErrorDomain error when nothing registered can give that representation, or
// whatever the loader reports). A loader that drops its completion without calling it
// completes with an error.
//
// The file a file-representation load hands over is a temporary copy that exists only while
// the completion runs: take what you need from it before returning.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Url.h"
#include "platform/image/UIImage.h"

namespace platform {

using ProviderData = std::vector<std::uint8_t>;
// What an item or object load hands over. monostate: nothing.
using ProviderItem = std::variant<std::monostate, URL, std::string, ProviderData, std::shared_ptr<UIImage>>;

inline constexpr const char* kItemProviderErrorDomain = "NSItemProviderErrorDomain";
inline constexpr int kItemProviderItemUnavailableError = -1000;
inline constexpr int kItemProviderUnexpectedValueClassError = -1100;

class NSItemProvider : public std::enable_shared_from_this<NSItemProvider> {
public:
    using FileCompletion = std::function<void(std::optional<URL> fileURL, std::exception_ptr error)>;
    using DataCompletion = std::function<void(std::optional<ProviderData> data, std::exception_ptr error)>;
    using ItemCompletion = std::function<void(ProviderItem item, std::exception_ptr error)>;
    using FileLoader = std::function<void(FileCompletion)>;
    using DataLoader = std::function<void(DataCompletion)>;
    using ItemLoader = std::function<void(ItemCompletion)>;

    // The classes an object load can ask for.
    enum class ObjectClass { image };

    static std::shared_ptr<NSItemProvider> make();
    // A provider for the file or folder at path: suggested name = its last path component;
    // a folder registers "public.folder", a file the type of its extension ("public.data"
    // when unknown), each as an item (its file URL) and a file representation. nullptr when
    // nothing exists at path.
    static std::shared_ptr<NSItemProvider> contentsOf(const std::string& path);
    // A provider holding one item (a text, a URL, data) under one type identifier.
    static std::shared_ptr<NSItemProvider> withItem(ProviderItem item, std::string typeIdentifier);
    // A provider holding an image object ("public.image", loadable as an object only).
    static std::shared_ptr<NSItemProvider> withImage(std::shared_ptr<UIImage> image);

    NSItemProvider(const NSItemProvider&) = delete;
    NSItemProvider& operator=(const NSItemProvider&) = delete;

    std::optional<std::string> suggestedName() const;
    void setSuggestedName(std::optional<std::string> name);

    // Unique identifiers, in registration order.
    std::vector<std::string> registeredTypeIdentifiers() const;
    bool hasItemConformingToTypeIdentifier(std::string_view typeIdentifier) const;
    bool canLoadObject(ObjectClass objectClass) const;

    void registerFileRepresentation(std::string typeIdentifier, FileLoader loader);
    // Hands over a fresh copy of the file or folder at sourcePath on every load.
    void registerFileRepresentation(std::string typeIdentifier, std::string sourcePath);
    void registerDataRepresentation(std::string typeIdentifier, DataLoader loader);
    void registerDataRepresentation(std::string typeIdentifier, ProviderData data);
    void registerItem(std::string typeIdentifier, ItemLoader loader);
    void registerItem(std::string typeIdentifier, ProviderItem item);
    // An object for loadObject; typeIdentifier says which classes it serves ("public.image"
    // serves the image class).
    void registerObject(std::string typeIdentifier, ItemLoader loader);

    // A file load is also served by a data registration (written to a temporary file); a data
    // load also by a file registration (its bytes); an item load also by a data
    // registration (the data).
    void loadFileRepresentation(std::string_view typeIdentifier, FileCompletion completion);
    void loadDataRepresentation(std::string_view typeIdentifier, DataCompletion completion);
    // Options are not supported: the item is handed over as registered.
    void loadItem(std::string_view typeIdentifier, ItemCompletion completion);
    void loadObject(ObjectClass objectClass, ItemCompletion completion);

private:
    NSItemProvider() = default;
    enum class Kind { file, data, item, object };
    struct Registration {
        Kind kind;
        std::string typeIdentifier;
        FileLoader fileLoader;
        DataLoader dataLoader;
        ItemLoader itemLoader;
    };
    std::optional<Registration> find(Kind kind, std::string_view typeIdentifier) const;
    void addRegistration(Registration r);

    mutable std::mutex mutex_;
    std::optional<std::string> suggestedName_;
    std::vector<Registration> registrations_;
};

// The error a load reports when nothing registered can give the requested representation.
NSError itemUnavailableError(std::string_view typeIdentifier);

}  // namespace platform
