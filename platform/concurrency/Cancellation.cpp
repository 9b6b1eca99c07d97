#include "platform/concurrency/Cancellation.h"

#include <boost/asio/error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/system/system_error.hpp>

namespace platform {

CancellationError::CancellationError() : NSError(kDomain, kCode, kDescription) {}

Async<bool> isCancelled() {
    auto state = co_await boost::asio::this_coro::cancellation_state;
    co_return state.cancelled() != boost::asio::cancellation_type::none;
}

Async<void> checkCancellation() {
    auto state = co_await boost::asio::this_coro::cancellation_state;
    if (state.cancelled() != boost::asio::cancellation_type::none) throw CancellationError();
}

bool isCancellationError(const std::exception& e) noexcept {
    if (dynamic_cast<const CancellationError*>(&e)) return true;
    if (auto* se = dynamic_cast<const boost::system::system_error*>(&e))
        return se->code() == boost::asio::error::operation_aborted;
    return false;
}

bool isCancellationError(const std::exception_ptr& e) noexcept {
    if (!e) return false;
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return isCancellationError(ex);
    } catch (...) {
        return false;
    }
}

}  // namespace platform
