#include "TarvoShareExtension/Intake/MaterializedItemCache.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Task.h"
#include "platform/filesystem/DirectoryEnumerator.h"
#include "platform/filesystem/FileAttributes.h"
#include "platform/filesystem/FileManager.h"

namespace tarvo {

namespace {

// The shared file or folder an item's copy was made from, and its stamp taken just before.
struct MaterializedSource {
    std::string path;
    std::optional<SourceStamp> stamp;
};

// The zip's progress goes to whoever waits for the copy now: the scan starts a folder's zip
// without a listener, and a send that comes while it runs shows the rest of it.
class ProgressRelay {
public:
    void listen(FolderZipProgressCallback listener) {
        std::lock_guard lock(mutex_);
        listener_ = std::move(listener);
    }
    void report(const FolderZipProgress& progress) {
        FolderZipProgressCallback listener;
        {
            std::lock_guard lock(mutex_);
            listener = listener_;
        }
        if (listener) listener(progress);
    }

private:
    std::mutex mutex_;
    FolderZipProgressCallback listener_;
};

struct Entry {
    ProviderPtr provider;  // held, so that its address names no other provider meanwhile
    platform::TaskHandle<TempItem> copy;
    std::shared_ptr<MaterializedSource> source;
    std::shared_ptr<ProgressRelay> relay;
};

}  // namespace

struct MaterializedItemCache::State {
    std::vector<Entry> entries;
    std::size_t copiesStarted = 0;

    std::optional<Entry> find(const ProviderPtr& provider) const {
        for (const auto& e : entries)
            if (e.provider == provider) return e;
        return std::nullopt;
    }
    // Drops the entry of this very copy (a newer one may have taken its place meanwhile).
    void forget(const platform::TaskHandle<TempItem>& copy) {
        std::erase_if(entries, [&](const Entry& e) { return e.copy == copy; });
    }
};

namespace {

// Whether a finished copy still stands for its item: the file is there and, for a shared file
// or folder, the source is as it was when the copy began.
bool stillCurrent(const TempItem& item, const std::shared_ptr<MaterializedSource>& source) {
    if (!platform::FileManager::defaultManager().fileExists(item.url.path())) return false;
    if (!source || source->path.empty()) return true;
    if (!source->stamp) return false;
    const std::optional<SourceStamp> now = stampSource(source->path);
    return now && *now == *source->stamp;
}

// The copy of one item: what it is made from is noted first, so that a change made while it is
// copied shows as a change afterwards.
platform::Async<TempItem> makeCopy(ProviderPtr provider, std::string temporaryDirectory, MaterializeOptions options,
                                   std::shared_ptr<MaterializedSource> source) {
    // Only a file or a folder on disk can change under its copy. Any other item (a text, a link,
    // data) is not asked for a URL: its loader would be asked twice, and may answer only once.
    std::optional<std::string> fileType;
    if (provider) {
        for (const UTType& type : {UTType::folder(), UTType::fileURL()}) {
            if (provider->hasItemConformingToTypeIdentifier(type.identifier())) {
                fileType = type.identifier();
                break;
            }
        }
    }
    std::optional<platform::URL> url;
    if (fileType) {
        try {
            url = co_await loadItemURL(provider, *fileType);
        } catch (...) {
            // Offered as a file but not loadable as one: nothing to compare against later.
        }
    }
    if (url && url->isFileURL()) {
        source->path = url->path();
        // A large folder's stamp walks its tree: off the caller's queue like the copy itself.
        auto stamp = [path = source->path] { return stampSource(path); };
        platform::Async<std::optional<SourceStamp>> stamping = onFileWork(options.fileWork, std::move(stamp));
        source->stamp = co_await std::move(stamping);
    }
    platform::Async<TempItem> copying =
        materializeToTempFile(std::move(provider), std::move(temporaryDirectory), std::move(options));
    co_return co_await std::move(copying);
}

}  // namespace

std::optional<SourceStamp> stampSource(const std::string& path) {
    platform::FileAttributes top;
    try {
        top = platform::attributesOfItemFollowingLinks(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    SourceStamp stamp;
    stamp.newestModification = top.modificationNanoseconds;
    if (top.type != platform::FileAttributes::Type::directory) {
        stamp.files = 1;
        stamp.bytes = top.size > 0 ? static_cast<std::uint64_t>(top.size) : 0;
        return stamp;
    }
    auto enumerator = platform::DirectoryEnumerator::make(path);
    if (!enumerator) return std::nullopt;
    while (auto entry = enumerator->nextObject()) {
        const std::int64_t modified = entry->modificationSeconds * 1000000000 + entry->modificationNanoseconds;
        if (modified > stamp.newestModification) stamp.newestModification = modified;
        if (!entry->isRegularFile || entry->isSymbolicLink) continue;
        ++stamp.files;
        stamp.bytes += entry->fileSize;
    }
    return stamp;
}

MaterializedItemCache::MaterializedItemCache() : state_(std::make_shared<State>()) {}

std::size_t MaterializedItemCache::copiesStarted() const { return state_->copiesStarted; }

platform::Async<TempItem> MaterializedItemCache::materialize(ProviderPtr provider, std::string temporaryDirectory,
                                                             MaterializeOptions options,
                                                             platform::Executor taskExecutor) {
    // The state, not this: the cache's owner may go while a caller waits.
    const std::shared_ptr<State> state = state_;
    if (std::optional<Entry> existing = state->find(provider)) {
        if (options.zipProgress) existing->relay->listen(options.zipProgress);
        std::optional<TempItem> item;
        try {
            item = co_await existing->copy.value();
        } catch (const platform::CancellationError&) {
            throw;
        } catch (...) {
            // A failed copy is not kept: the next caller tries again.
            state->forget(existing->copy);
            throw;
        }
        // The check walks a folder's tree again, so it runs where the stamp did.
        auto check = [item = *item, source = existing->source] { return stillCurrent(item, source); };
        platform::Async<bool> checking = onFileWork(options.fileWork, std::move(check));
        if (co_await std::move(checking)) co_return std::move(*item);
        // Changed since: the old copy stays until the share's folder goes, since another caller
        // may still be reading it.
        state->forget(existing->copy);
    }

    auto source = std::make_shared<MaterializedSource>();
    auto relay = std::make_shared<ProgressRelay>();
    if (options.zipProgress) relay->listen(options.zipProgress);
    MaterializeOptions copyOptions;
    copyOptions.fileWork = options.fileWork;
    copyOptions.zipProgress = [relay](const FolderZipProgress& p) { relay->report(p); };
    platform::TaskHandle<TempItem> copy = platform::startTask(
        std::move(taskExecutor), [provider, temporaryDirectory = std::move(temporaryDirectory),
                                  copyOptions = std::move(copyOptions), source]() mutable -> platform::Async<TempItem> {
            platform::Async<TempItem> copying =
                makeCopy(std::move(provider), std::move(temporaryDirectory), std::move(copyOptions), source);
            co_return co_await std::move(copying);
        });
    ++state->copiesStarted;
    state->entries.push_back(Entry{provider, copy, source, relay});
    try {
        co_return co_await copy.value();
    } catch (const platform::CancellationError&) {
        throw;
    } catch (...) {
        state->forget(copy);
        throw;
    }
}

}  // namespace tarvo
