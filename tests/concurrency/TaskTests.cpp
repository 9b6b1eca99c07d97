#include "platform/concurrency/Concurrency.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace std::chrono_literals;

TEST(TaskTest, RunsOnMainQueue) {
    MainQueue queue;
    auto h = startTask(queue.executor(), []() -> Async<int> { co_return 42; });
    EXPECT_FALSE(h.isDone());
    EXPECT_TRUE(queue.runUntil([&] { return h.isDone(); }, 2000ms));
    EXPECT_EQ(h.result(), 42);
}
