#include "Core/TransferProgress.h"


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
    if (doneBytes <= 0) return 0;
    if (doneBytes >= *totalBytes) return 100;
    // Halves away from zero, in whole numbers: in binary floating point 57/200 × 100 comes out
    // as 28.4999…, which would round to 28 where 28.5 is meant. 200 × done fits easily in 128 bits.
    using Wide = unsigned __int128;
    const Wide done = static_cast<Wide>(doneBytes);
    const Wide total = static_cast<Wide>(*totalBytes);
    return static_cast<int>((200 * done + total) / (2 * total));
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
