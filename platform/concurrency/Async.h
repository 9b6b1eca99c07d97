#pragma once
// The task runtime's vocabulary: an asynchronous operation is a Boost.Asio C++20 coroutine,
// failures travel as exceptions, and work runs on an executor (the main queue, or a serial
// executor of the background pool).
//
// Cancellation model (cooperative, like the platform's structured tasks):
// - Every task started through this runtime (startTask, detach, runOn, task groups, race,
//   withTimeout) runs with Asio's "throw if cancelled" switched OFF. Cancelling a task therefore
//   does not make every later `co_await` throw; it interrupts the operation that is pending at that
//   moment (a sleep, a socket read, a wait on another task) and makes `checkCancellation()` /
//   `isCancelled()` report it. This lets a cancelled task still run its clean-up and summary code,
//   which may itself await.
// - A pending Asio operation that is interrupted completes with asio::error::operation_aborted.
//   This runtime's own waits turn that into platform::CancellationError; a task whose body lets an
//   operation_aborted system_error escape after it was cancelled ends with CancellationError too.
// - An operation started after the cancellation has already been delivered is not interrupted by
//   Asio (the signal fires once). Operations that must honour an earlier cancellation check first:
//   `co_await platform::checkCancellation();` (sleepFor and the waits here already do).
// - Coroutines spawned by Asio itself (its awaitable operators `||` / `&&`, a bare co_spawn) keep
//   Asio's default and throw operation_aborted from every co_await once cancelled; use race(),
//   withTimeout() and TaskGroup (TaskGroup.h) instead.
//
// Compiler caveat (GCC 12.2): a closure (lambda) or an aggregate-initialised temporary created
// inside an expression that contains co_await is destroyed twice, so whatever it captured or
// holds is released twice (a shared_ptr count goes wrong, a string is freed twice). Write
//     auto onDone = [state] {...};  co_await f(std::move(onDone));
// never
//     co_await f([state] {...});   or   co_await send(Request{...});
// Temporaries made by a constructor call (std::string(s), a function's return value) are fine.
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include <type_traits>
#include <variant>

namespace platform {

template <class T = void>
using Async = boost::asio::awaitable<T>;

// Any executor a task can run on. Tasks need a serial one: the main queue's io_context (run by
// one thread) or a strand; startTask wraps anything else in a strand.
using Executor = boost::asio::any_io_executor;

namespace detail {
// Where a result of type T is stored: void results are stored as std::monostate.
template <class T>
using ValueOrMonostate = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
}  // namespace detail

}  // namespace platform
