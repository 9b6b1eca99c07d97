#include "platform/concurrency/Deadline.h"

#include "platform/concurrency/Cancellation.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/system_error.hpp>

namespace platform {

namespace {
// now + d without overflowing the clock's range.
Deadline::Clock::time_point saturatedAdd(Deadline::Clock::time_point now, std::chrono::nanoseconds d) {
    using TP = Deadline::Clock::time_point;
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch());
    const auto maxNs = std::chrono::duration_cast<std::chrono::nanoseconds>(TP::max().time_since_epoch());
    const auto minNs = std::chrono::duration_cast<std::chrono::nanoseconds>(TP::min().time_since_epoch());
    if (d.count() > 0 && since > maxNs - d) return TP::max();
    if (d.count() < 0 && since < minNs - d) return TP::min();
    return now + std::chrono::duration_cast<TP::duration>(d);
}
}  // namespace

Deadline Deadline::afterNanoseconds(std::chrono::nanoseconds d) {
    return Deadline(saturatedAdd(Clock::now(), d));
}

std::chrono::nanoseconds Deadline::remaining() const {
    if (isNever()) return std::chrono::nanoseconds::max();
    const auto now = Clock::now();
    if (now >= when_) return std::chrono::nanoseconds::zero();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(when_ - now);
}

Async<void> sleepUntil(Deadline deadline) {
    co_await checkCancellation();
    const Executor ex = co_await boost::asio::this_coro::executor;
    if (deadline.hasExpired()) {
        // Still a suspension point, as a sleep of zero is for the platform's tasks.
        co_await boost::asio::post(ex, boost::asio::use_awaitable);
        co_return;
    }
    boost::asio::steady_timer timer(ex);
    timer.expires_at(deadline.when());
    auto [ec] = co_await timer.async_wait(boost::asio::as_tuple(boost::asio::use_awaitable));
    if (ec == boost::asio::error::operation_aborted) throw CancellationError();
    if (ec) throw boost::system::system_error(ec);
}

Async<void> sleepForNanoseconds(std::chrono::nanoseconds d) {
    // The deadline is taken when the sleep starts, not when the awaitable was made.
    co_await sleepUntil(Deadline::afterNanoseconds(d));
}

}  // namespace platform
