#pragma once
// The shared items of one share, each turned into a temporary file once: the scan, the emit,
// the upload and every server of a multi-server send use the same copy. A copy is made again
// only when the file or folder it came from (the file URL its provider holds) changed since
// (a file's size or modification time, for a folder those of everything in it), or when the
// copy is gone. Callers that ask for an
// item while its copy is being made wait for that copy instead of making their own.
//
// One cache per share; every call from the same executor (the share's main queue).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "platform/concurrency/Async.h"

namespace tarvo {

// What a copy of a file or folder was made from, to tell later whether it is still the same:
// for a file its size and modification time; for a folder the count and total size of its
// files and the newest modification time of anything in it (a renamed or removed file
// changes its folder's).
struct SourceStamp {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::int64_t newestModification = 0;  // nanoseconds since 1970
    bool operator==(const SourceStamp&) const = default;
};
// The stamp of what lies at path now (links are not followed inside a folder, as the zip
// does not follow them); nothing when it cannot be examined.
std::optional<SourceStamp> stampSource(const std::string& path);

class MaterializedItemCache {
public:
    MaterializedItemCache();

    // The item's temporary file, made in temporaryDirectory by materializeToTempFile when there
    // is no usable copy yet. options.fileWork is where the copy and the check of its source
    // run; options.zipProgress, when set, receives the progress of a folder's zip still under
    // way, whoever started it. The copy is made by a task on taskExecutor that runs to its end
    // even when the caller stops waiting, so a later caller finds it.
    platform::Async<TempItem> materialize(ProviderPtr provider, std::string temporaryDirectory,
                                          MaterializeOptions options, platform::Executor taskExecutor);

    // How many copies were started, in all (a measure for tests and benchmarks).
    std::size_t copiesStarted() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace tarvo
