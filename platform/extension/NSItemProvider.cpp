#include "platform/extension/NSItemProvider.h"

#include <atomic>
#include <filesystem>
#include <sys/stat.h>

#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>

#include "platform/extension/UTType.h"
#include "platform/filesystem/FileManager.h"
#include "platform/filesystem/FileSystemError.h"
#include "platform/filesystem/MappedFile.h"
#include "platform/foundation/Uuid.h"

namespace platform {
namespace {

// The queue the loaders and their completions run on. Deliberately never destroyed: a load
// still running at exit must not find its queue gone.
boost::asio::thread_pool& providerQueue() {
    static auto* pool = new boost::asio::thread_pool(2);
    return *pool;
}

NSError droppedCompletionError() {
    return NSError(kItemProviderErrorDomain, kItemProviderItemUnavailableError,
                   "The item provider's loader ended without a result.");
}

// Wraps a completion so that it runs at most once, and runs with an error when every copy is
// dropped without having been called.
template <class Fn>
struct OnceState {
    Fn fn;
    std::function<void(Fn&)> onDropped;
    std::atomic<bool> called{false};
    ~OnceState() {
        if (!called.exchange(true) && onDropped) {
            try {
                onDropped(fn);
            } catch (...) {
            }
        }
    }
};

NSItemProvider::FileCompletion onceFile(NSItemProvider::FileCompletion c) {
    auto st = std::make_shared<OnceState<NSItemProvider::FileCompletion>>();
    st->fn = std::move(c);
    st->onDropped = [](auto& f) { f(std::nullopt, std::make_exception_ptr(droppedCompletionError())); };
    return [st](std::optional<URL> url, std::exception_ptr e) {
        if (!st->called.exchange(true)) st->fn(std::move(url), e);
    };
}

NSItemProvider::DataCompletion onceData(NSItemProvider::DataCompletion c) {
    auto st = std::make_shared<OnceState<NSItemProvider::DataCompletion>>();
    st->fn = std::move(c);
    st->onDropped = [](auto& f) { f(std::nullopt, std::make_exception_ptr(droppedCompletionError())); };
    return [st](std::optional<ProviderData> d, std::exception_ptr e) {
        if (!st->called.exchange(true)) st->fn(std::move(d), e);
    };
}

NSItemProvider::ItemCompletion onceItem(NSItemProvider::ItemCompletion c) {
    auto st = std::make_shared<OnceState<NSItemProvider::ItemCompletion>>();
    st->fn = std::move(c);
    st->onDropped = [](auto& f) { f(std::monostate{}, std::make_exception_ptr(droppedCompletionError())); };
    return [st](ProviderItem item, std::exception_ptr e) {
        if (!st->called.exchange(true)) st->fn(std::move(item), e);
    };
}

std::string lastComponent(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// A fresh folder for one handed-over file; removed when the completion has returned.
class Scratch {
public:
    Scratch() {
        auto& fm = FileManager::defaultManager();
        dir_ = fm.temporaryDirectory() + "/.item-provider-" + makeUUIDString();
        // Not with intermediates: a temporary folder removed at the end of the run stays removed.
        fm.createDirectory(dir_, false, FileAccess::ownerOnly);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

std::string safeName(std::optional<std::string> name, const std::string& fallback) {
    std::string n = name.value_or("");
    std::string out;
    for (char c : n) {
        if (c == '\0') continue;
        out += (c == '/') ? '-' : c;
    }
    if (out.size() > 200) {
        // Cut before a lead byte: the handed file's name is the name the item travels under.
        std::size_t cut = 200;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    if (out.empty() || out == "." || out == "..") out = fallback;
    return out;
}

}  // namespace

NSError itemUnavailableError(std::string_view typeIdentifier) {
    return NSError(kItemProviderErrorDomain, kItemProviderItemUnavailableError,
                   "Cannot load representation of type " + std::string(typeIdentifier));
}

std::shared_ptr<NSItemProvider> NSItemProvider::make() {
    return std::shared_ptr<NSItemProvider>(new NSItemProvider());
}

std::shared_ptr<NSItemProvider> NSItemProvider::contentsOf(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec) return nullptr;
    absolute = standardizedPath(absolute);
    auto provider = make();
    provider->setSuggestedName(lastComponent(absolute));
    if (S_ISDIR(st.st_mode)) {
        const std::string type = UTType::folder().identifier();
        provider->registerItem(type, ProviderItem(URL::fileURL(absolute, true)));
        provider->registerFileRepresentation(type, absolute);
    } else {
        std::string name = lastComponent(absolute);
        auto dot = name.find_last_of('.');
        std::optional<UTType> t;
        if (dot != std::string::npos && dot > 0) t = UTType::fromFilenameExtension(name.substr(dot + 1));
        const std::string type = t ? t->identifier() : UTType::data().identifier();
        provider->registerItem(type, ProviderItem(URL::fileURL(absolute)));
        provider->registerFileRepresentation(type, absolute);
    }
    return provider;
}

std::shared_ptr<NSItemProvider> NSItemProvider::withItem(ProviderItem item, std::string typeIdentifier) {
    auto provider = make();
    provider->registerItem(std::move(typeIdentifier), std::move(item));
    return provider;
}

std::shared_ptr<NSItemProvider> NSItemProvider::withImage(std::shared_ptr<UIImage> image) {
    auto provider = make();
    provider->registerObject(UTType::image().identifier(),
                             [image](ItemCompletion done) { done(ProviderItem(image), nullptr); });
    return provider;
}

std::optional<std::string> NSItemProvider::suggestedName() const {
    std::lock_guard lock(mutex_);
    return suggestedName_;
}

void NSItemProvider::setSuggestedName(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    suggestedName_ = std::move(name);
}

std::vector<std::string> NSItemProvider::registeredTypeIdentifiers() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& r : registrations_) {
        bool seen = false;
        for (const auto& s : out) seen = seen || s == r.typeIdentifier;
        if (!seen) out.push_back(r.typeIdentifier);
    }
    return out;
}

bool NSItemProvider::hasItemConformingToTypeIdentifier(std::string_view typeIdentifier) const {
    std::lock_guard lock(mutex_);
    for (const auto& r : registrations_)
        if (UTType::identifierConforms(r.typeIdentifier, typeIdentifier)) return true;
    return false;
}

bool NSItemProvider::canLoadObject(ObjectClass objectClass) const {
    (void)objectClass;  // the image class is the only one
    return find(Kind::object, UTType::image().identifier()).has_value();
}

void NSItemProvider::addRegistration(Registration r) {
    std::lock_guard lock(mutex_);
    registrations_.push_back(std::move(r));
}

std::optional<NSItemProvider::Registration> NSItemProvider::find(Kind kind, std::string_view typeIdentifier) const {
    std::lock_guard lock(mutex_);
    for (const auto& r : registrations_)
        if (r.kind == kind && UTType::identifierConforms(r.typeIdentifier, typeIdentifier)) return r;
    return std::nullopt;
}

void NSItemProvider::registerFileRepresentation(std::string typeIdentifier, FileLoader loader) {
    addRegistration({Kind::file, std::move(typeIdentifier), std::move(loader), {}, {}});
}

void NSItemProvider::registerFileRepresentation(std::string typeIdentifier, std::string sourcePath) {
    registerFileRepresentation(std::move(typeIdentifier), [sourcePath](FileCompletion done) {
        std::optional<Scratch> scratch;
        std::string copy;
        try {
            scratch.emplace();
            copy = scratch->dir() + "/" + lastComponent(sourcePath);
            bool isDirectory = false;
            if (!FileManager::defaultManager().fileExists(sourcePath, &isDirectory))
                throw fileReadError(ENOENT, sourcePath);
            if (isDirectory) {
                std::error_code ec;
                std::filesystem::copy(sourcePath, copy,
                                      std::filesystem::copy_options::recursive |
                                          std::filesystem::copy_options::copy_symlinks,
                                      ec);
                if (ec) throw fileReadError(ec.value(), sourcePath);
            } else {
                FileManager::defaultManager().copyItem(sourcePath, copy, FileAccess::ownerOnly);
            }
        } catch (...) {
            done(std::nullopt, std::current_exception());
            return;
        }
        done(URL::fileURL(copy, false), nullptr);
        // scratch goes here: the handed file is gone once the completion has returned.
    });
}

void NSItemProvider::registerDataRepresentation(std::string typeIdentifier, DataLoader loader) {
    addRegistration({Kind::data, std::move(typeIdentifier), {}, std::move(loader), {}});
}

void NSItemProvider::registerDataRepresentation(std::string typeIdentifier, ProviderData data) {
    registerDataRepresentation(std::move(typeIdentifier),
                               [data = std::move(data)](DataCompletion done) { done(data, nullptr); });
}

void NSItemProvider::registerItem(std::string typeIdentifier, ItemLoader loader) {
    addRegistration({Kind::item, std::move(typeIdentifier), {}, {}, std::move(loader)});
}

void NSItemProvider::registerItem(std::string typeIdentifier, ProviderItem item) {
    registerItem(std::move(typeIdentifier), [item = std::move(item)](ItemCompletion done) { done(item, nullptr); });
}

void NSItemProvider::registerObject(std::string typeIdentifier, ItemLoader loader) {
    addRegistration({Kind::object, std::move(typeIdentifier), {}, {}, std::move(loader)});
}

void NSItemProvider::loadFileRepresentation(std::string_view typeIdentifier, FileCompletion completion) {
    auto done = onceFile(std::move(completion));
    const std::string type(typeIdentifier);
    auto fileReg = find(Kind::file, type);
    auto dataReg = fileReg ? std::nullopt : find(Kind::data, type);
    auto name = suggestedName();
    boost::asio::post(providerQueue(), [done, type, fileReg, dataReg, name]() mutable {
        try {
            if (fileReg) {
                fileReg->fileLoader(done);
                return;
            }
            if (dataReg) {
                // Name the file after the registered type, which is the more specific one.
                dataReg->dataLoader(onceData([done, type = dataReg->typeIdentifier, name](std::optional<ProviderData> data,
                                                                std::exception_ptr e) {
                    if (e || !data) {
                        done(std::nullopt, e);
                        return;
                    }
                    std::optional<Scratch> scratch;
                    std::string path;
                    try {
                        scratch.emplace();
                        std::string fileName = safeName(name, "item");
                        auto t = UTType::fromIdentifier(type);
                        auto ext = t ? t->preferredFilenameExtension() : std::nullopt;
                        if (ext && fileName.find('.') == std::string::npos) fileName += "." + *ext;
                        path = scratch->dir() + "/" + fileName;
                        FileManager::defaultManager().writeAtomically(
                            path, std::span<const std::uint8_t>(data->data(), data->size()), FileAccess::ownerOnly);
                    } catch (...) {
                        done(std::nullopt, std::current_exception());
                        return;
                    }
                    done(URL::fileURL(path), nullptr);
                }));
                return;
            }
            done(std::nullopt, std::make_exception_ptr(itemUnavailableError(type)));
        } catch (...) {
            done(std::nullopt, std::current_exception());
        }
    });
}

void NSItemProvider::loadDataRepresentation(std::string_view typeIdentifier, DataCompletion completion) {
    auto done = onceData(std::move(completion));
    const std::string type(typeIdentifier);
    auto dataReg = find(Kind::data, type);
    auto fileReg = dataReg ? std::nullopt : find(Kind::file, type);
    boost::asio::post(providerQueue(), [done, type, dataReg, fileReg]() mutable {
        try {
            if (dataReg) {
                dataReg->dataLoader(done);
                return;
            }
            if (fileReg) {
                fileReg->fileLoader(onceFile([done](std::optional<URL> url, std::exception_ptr e) {
                    if (e || !url) {
                        done(std::nullopt, e);
                        return;
                    }
                    try {
                        auto file = MappedFile::open(url->path());
                        auto bytes = file.bytes();
                        done(ProviderData(bytes.begin(), bytes.end()), nullptr);
                    } catch (...) {
                        done(std::nullopt, std::current_exception());
                    }
                }));
                return;
            }
            done(std::nullopt, std::make_exception_ptr(itemUnavailableError(type)));
        } catch (...) {
            done(std::nullopt, std::current_exception());
        }
    });
}

void NSItemProvider::loadItem(std::string_view typeIdentifier, ItemCompletion completion) {
    auto done = onceItem(std::move(completion));
    const std::string type(typeIdentifier);
    auto itemReg = find(Kind::item, type);
    auto dataReg = itemReg ? std::nullopt : find(Kind::data, type);
    boost::asio::post(providerQueue(), [done, type, itemReg, dataReg]() mutable {
        try {
            if (itemReg) {
                itemReg->itemLoader(done);
                return;
            }
            if (dataReg) {
                dataReg->dataLoader(onceData([done](std::optional<ProviderData> data, std::exception_ptr e) {
                    if (e || !data) {
                        done(std::monostate{}, e);
                        return;
                    }
                    done(ProviderItem(std::move(*data)), nullptr);
                }));
                return;
            }
            done(std::monostate{}, std::make_exception_ptr(itemUnavailableError(type)));
        } catch (...) {
            done(std::monostate{}, std::current_exception());
        }
    });
}

void NSItemProvider::loadObject(ObjectClass objectClass, ItemCompletion completion) {
    (void)objectClass;
    auto done = onceItem(std::move(completion));
    const std::string type = UTType::image().identifier();
    auto objectReg = find(Kind::object, type);
    boost::asio::post(providerQueue(), [done, type, objectReg]() mutable {
        try {
            if (objectReg) {
                objectReg->itemLoader(done);
                return;
            }
            done(std::monostate{},
                 std::make_exception_ptr(NSError(kItemProviderErrorDomain, kItemProviderUnexpectedValueClassError,
                                                 "Cannot load an object of the requested class.")));
        } catch (...) {
            done(std::monostate{}, std::current_exception());
        }
    });
}

}  // namespace platform
