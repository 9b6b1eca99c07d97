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
    report.doneBytes = static_cast<std::int64_t>(std::min(progress.doneBytes, kMax));
    if (progress.totalBytes > 0) report.totalBytes = static_cast<std::int64_t>(std::min(progress.totalBytes, kMax));
    UploadProgressRenderState state = makeUploadProgressState(itemIndex, itemCount, std::nullopt, report);
    const long long count = std::max(itemCount, 1LL);
    const long long shown = std::clamp(itemIndex + 1, 1LL, count);
    state.status = preparingItemStatus(static_cast<std::size_t>(shown), static_cast<std::size_t>(count));
    return state;
}

}  // namespace tarvo::share
