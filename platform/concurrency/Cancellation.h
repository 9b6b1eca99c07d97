#pragma once
// Cancellation of the current task: the error thrown when a task notices it was cancelled, and the
// two checks a task body makes between its steps.
#include "platform/concurrency/Async.h"
#include "platform/foundation/ErrorInfo.h"

#include <exception>

namespace platform {

// Thrown by checkCancellation(), by a cancelled sleep and by a cancelled wait of this runtime.
// It is an NSError so that it passes through the system's error handling like any platform
// failure; its text is the one the platform shows for its own cancellation error.
class CancellationError : public NSError {
public:
    static constexpr const char* kDomain = "Swift.CancellationError";
    static constexpr std::int64_t kCode = 1;
    static constexpr const char* kDescription =
        "The operation couldn't be completed. (Swift.CancellationError error 1.)";
    CancellationError();
};

// True when the current task has been cancelled. Never throws.
Async<bool> isCancelled();

// Throws CancellationError when the current task has been cancelled.
Async<void> checkCancellation();

// True for CancellationError and for an Asio operation_aborted system_error (what an interrupted
// Asio operation reports). Lets callers treat both as "cancelled".
bool isCancellationError(const std::exception& e) noexcept;
bool isCancellationError(const std::exception_ptr& e) noexcept;

}  // namespace platform
