#include "TarvoShareExtension/ShareViewController/ZipProgress/ZipProgressState.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"

namespace tarvo::share {

UploadProgressRenderState makeZipProgressState(long long itemIndex, long long itemCount,
                                               const FolderZipProgress& progress) {
    constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    TransferProgress report;
    report.direction = TransferDirection::upload;
    if (progress.totalBytes > 0 && progress.archiveBytes > 0) {
        // The zip's work reads every member once more than it writes, so its own total is about
        // twice the archive: a person preparing a 315 MB archive is told of 315 MB, moved at the
        // pace of the whole work.
        using Wide = unsigned __int128;
        const std::uint64_t done = std::min(progress.doneBytes, progress.totalBytes);
        const std::uint64_t archiveDone = static_cast<std::uint64_t>(
            static_cast<Wide>(done) * progress.archiveBytes / progress.totalBytes);
        report.doneBytes = static_cast<std::int64_t>(std::min(archiveDone, kMax));
        report.totalBytes = static_cast<std::int64_t>(std::min(progress.archiveBytes, kMax));
    }
    UploadProgressRenderState state = makeUploadProgressState(itemIndex, itemCount, std::nullopt, report);
    const long long count = std::max(itemCount, 1LL);
    const long long shown = std::clamp(itemIndex + 1, 1LL, count);
    state.status = preparingItemStatus(static_cast<std::size_t>(shown), static_cast<std::size_t>(count));
    return state;
}

}  // namespace tarvo::share
