#include "TarvoShareExtension/Remote/CmdStream.h"

#include <chrono>
#include <exception>
#include <string>
#include <utility>

#include "TarvoShareExtension/Remote/RemoteFailure.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "TarvoShareExtension/Remote/TransportError.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Deadline.h"
#include "platform/concurrency/Task.h"
#include "platform/concurrency/TaskGroup.h"

namespace tarvo {

using platform::Async;

namespace {
constexpr double kMinimumReceiveWaitSeconds = 0.05;
}  // namespace

Async<void> StreamChannel::sendAll(std::vector<std::string> texts) {
    for (auto& text : texts) co_await send(std::move(text));
}

Async<std::optional<StreamMessage>> receiveCmdFrameWithSoftTimeout(std::shared_ptr<StreamChannel> channel,
                                                                   double seconds) {
    using Result = std::optional<StreamMessage>;
    const double wait = seconds >= kMinimumReceiveWaitSeconds ? seconds : kMinimumReceiveWaitSeconds;
    const platform::Executor ex = co_await platform::currentExecutor();
    platform::TaskGroup<Result> group(ex);
    if (co_await platform::isCancelled()) group.cancelAll();
    group.addTask([channel]() -> Async<Result> { co_return co_await channel->receive(); });
    group.addTask([wait]() -> Async<Result> {
        try {
            co_await platform::sleepFor(std::chrono::duration<double>(wait));
        } catch (const platform::CancellationError&) {
        }
        co_return std::nullopt;
    });

    std::exception_ptr firstError;
    Result first;
    try {
        auto winner = co_await group.next();
        first = std::move(*winner);
    } catch (...) {
        firstError = std::current_exception();
    }
    group.cancelAll();
    // The loser is awaited. Its failure is dropped, but a message it took as the time ran out is
    // handed on: dropping it would lose a frame (the exit frame, say) for good.
    for (;;) {
        try {
            auto late = co_await group.next();
            if (!late) break;
            if (!firstError && !first && *late) first = std::move(*late);
        } catch (...) {
        }
    }
    if (firstError) std::rethrow_exception(firstError);
    co_return first;
}

Async<void> receiveCmdFramesUntil(std::shared_ptr<StreamChannel> channel, CmdStreamWait wait,
                                  std::function<bool(const StreamMessage&)> take) {
    const auto deadline = platform::Deadline::after(std::chrono::duration<double>(wait.limitSeconds));
    for (;;) {
        co_await platform::checkCancellation();
        if (deadline.hasExpired()) throw TransportError::network(wait.timeoutText);
        auto message = co_await receiveCmdFrameWithSoftTimeout(channel, wait.receiveSeconds);
        if (message && take(*message)) co_return;
    }
}

Async<CmdStreamOutput> receiveCmdOutputUntilExit(std::shared_ptr<StreamChannel> channel, CmdStreamWait wait) {
    CmdStreamOutput output;
    std::function<bool(const StreamMessage&)> take = [&output](const StreamMessage& message) {
        return takeFrameUntilExit(message, output);
    };
    co_await receiveCmdFramesUntil(std::move(channel), std::move(wait), std::move(take));
    co_return output;
}

void closeChannelDetached(std::shared_ptr<StreamChannel> channel, const platform::Executor& executor) {
    if (!channel) return;
    platform::detach(executor,
                     [channel = std::move(channel)]() -> Async<void> { co_await channel->close(); });
}

}  // namespace tarvo
