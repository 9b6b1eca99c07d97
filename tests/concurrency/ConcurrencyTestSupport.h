#pragma once
// Helpers shared by the task-runtime tests: run a queue until a task ends (tests/support/RunTask.h),
// measure time.
#include "platform/concurrency/Concurrency.h"
#include "tests/support/RunTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tarvo_test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough that a test only finishes in time if cancellation interrupted it.
inline constexpr auto kForever = 120s;
// The bound for what takes milliseconds: many times that, for sanitizer builds on a loaded
// two-core machine, and far below kForever, so that it still tells an interrupted wait from one
// that ran its course.
inline constexpr auto kPromptly = 10s;
inline constexpr auto kTestTimeout = std::chrono::milliseconds(10000);

inline std::chrono::milliseconds elapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

}  // namespace tarvo_test
