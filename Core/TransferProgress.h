#pragma once
// How far a transfer has got, in the one vocabulary both upload paths report in, and the task
// delegate that turns a URL session's byte-count callbacks into throttled reports.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Shared/RawValue.h"
#include "platform/net/URLSessionDelegate.h"

namespace tarvo {

enum class TransferDirection { upload, download };

std::string_view rawValue(TransferDirection direction);
template <>
std::optional<TransferDirection> fromRawValue<TransferDirection>(std::string_view raw);
template <>
struct EnumCases<TransferDirection> {
    static constexpr TransferDirection allCases[] = {TransferDirection::upload, TransferDirection::download};
};

struct TransferProgress {
    TransferDirection direction = TransferDirection::upload;
    std::int64_t doneBytes = 0;
    std::optional<std::int64_t> totalBytes;  // absent when not known

    bool operator==(const TransferProgress&) const = default;

    // "<done>" or "<done> / <total>", each in the file style of the byte-count formatter.
    std::string detailText() const;
    // 0...100, rounded (halves away from zero); absent without a total of at least 1.
    std::optional<int> percentInt() const;
};

// Reports at most about every 50 ms, plus the first callback, a callback at 0 bytes and the one
// that reaches the total. Callbacks arrive one at a time on the session's executor, so the
// throttle needs no lock; onProgress runs there too, never on the main thread.
class URLSessionProgressDelegate : public platform::URLSessionDownloadDelegate {
public:
    using OnProgress = std::function<void(const TransferProgress&)>;

    URLSessionProgressDelegate(TransferDirection direction, std::optional<std::int64_t> totalHint,
                               OnProgress onProgress);

    void didSendBodyData(platform::URLSession& session, std::int64_t bytesSent,
                         std::int64_t totalBytesSent, std::int64_t totalBytesExpectedToSend) override;
    void didWriteData(platform::URLSession& session, std::int64_t bytesWritten,
                      std::int64_t totalBytesWritten, std::int64_t totalBytesExpectedToWrite) override;
    void didFinishDownloadingTo(platform::URLSession& session, const platform::URL& location) override {}

    // The throttle. expected below 1 means the platform does not know the size.
    void emit(std::int64_t done, std::int64_t expected);

    const TransferDirection direction;
    const std::optional<std::int64_t> totalHint;
    const OnProgress onProgress;
    double lastEmit = 0;       // wall-clock seconds of the last report
    double minInterval = 0.05;
};

}  // namespace tarvo

template <>
struct std::hash<tarvo::TransferProgress> {
    std::size_t operator()(const tarvo::TransferProgress& p) const noexcept;
};
