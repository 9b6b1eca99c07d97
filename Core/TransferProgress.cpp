#include "Core/TransferProgress.h"

#include <cmath>

#include "Shared/HashCombine.h"
#include "platform/foundation/ByteCountFormatter.h"
#include "platform/foundation/Clock.h"

namespace tarvo {

std::string_view rawValue(TransferDirection direction) {
    return direction == TransferDirection::upload ? "upload" : "download";
}

template <>
std::optional<TransferDirection> fromRawValue<TransferDirection>(std::string_view raw) {
    if (raw == "upload") return TransferDirection::upload;
    if (raw == "download") return TransferDirection::download;
    return std::nullopt;
}

std::string TransferProgress::detailText() const {
    using platform::ByteCountFormatter;
    const std::string done = ByteCountFormatter::string(doneBytes, ByteCountFormatter::CountStyle::file);
    if (!totalBytes) return done;
    return done + " / " + ByteCountFormatter::string(*totalBytes, ByteCountFormatter::CountStyle::file);
}

std::optional<int> TransferProgress::percentInt() const {
    if (!totalBytes || *totalBytes < 1) return std::nullopt;
    const double ratio = static_cast<double>(doneBytes) / static_cast<double>(*totalBytes);
    double scaled = ratio < 1 ? ratio * 100 : 100;
    if (ratio < 0) scaled = 0;
    return static_cast<int>(std::round(scaled));
}

URLSessionProgressDelegate::URLSessionProgressDelegate(TransferDirection direction,
                                                       std::optional<std::int64_t> totalHint,
                                                       OnProgress onProgress)
    : direction(direction), totalHint(totalHint), onProgress(std::move(onProgress)) {}

void URLSessionProgressDelegate::didSendBodyData(platform::URLSession&, std::int64_t,
                                                 std::int64_t totalBytesSent,
                                                 std::int64_t totalBytesExpectedToSend) {
    emit(totalBytesSent, totalBytesExpectedToSend);
}

void URLSessionProgressDelegate::didWriteData(platform::URLSession&, std::int64_t,
                                              std::int64_t totalBytesWritten,
                                              std::int64_t totalBytesExpectedToWrite) {
    emit(totalBytesWritten, totalBytesExpectedToWrite);
}

void URLSessionProgressDelegate::emit(std::int64_t done, std::int64_t expected) {
    if (!onProgress) return;
    const std::optional<std::int64_t> total = expected >= 1 ? std::optional<std::int64_t>(expected) : totalHint;
    const double now = platform::nowEpochSeconds();
    const double elapsed = now - lastEmit;
    const bool due = elapsed >= minInterval || done == 0 || (total && done >= *total);
    if (!due) return;
    lastEmit = now;
    TransferProgress progress;
    progress.direction = direction;
    progress.doneBytes = done > 0 ? done : 0;
    if (total && *total >= 1) progress.totalBytes = total;
    onProgress(progress);
}

}  // namespace tarvo

std::size_t std::hash<tarvo::TransferProgress>::operator()(const tarvo::TransferProgress& p) const noexcept {
    std::size_t seed = 0;
    tarvo::detail::hashCombine(seed, std::string_view(tarvo::rawValue(p.direction)));
    tarvo::detail::hashCombine(seed, p.doneBytes);
    if (p.totalBytes) {
        tarvo::detail::hashCombine(seed, 1);
        tarvo::detail::hashCombine(seed, *p.totalBytes);
    } else {
        tarvo::detail::hashCombine(seed, 0);
    }
    return seed;
}
