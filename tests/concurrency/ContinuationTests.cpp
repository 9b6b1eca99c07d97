#include "ConcurrencyTestSupport.h"

#include <functional>
#include <future>
#include <stdexcept>
#include <thread>

using namespace platform;
using namespace tarvo_test;

TEST(ContinuationTest, ResumedFromAnotherThreadOnceWithAValueOrAnError) {
    MainQueue queue;
    std::thread worker;
    std::promise<void> suspended;  // the worker resumes only once the task waits
    std::atomic<bool> handedOut{false};
    std::atomic<int> secondResumeAccepted{-1};
    const auto mainThread = std::this_thread::get_id();
    auto task = startTask(queue.executor(), [&]() -> Async<std::string> {
        const int v = co_await withContinuation<int>([&](Continuation<int> c) {
            worker = std::thread([c, &secondResumeAccepted, waiting = suspended.get_future()]() mutable {
                waiting.wait();
                c.resume(41);
                secondResumeAccepted = c.resume(99) ? 1 : 0;
            });
            handedOut = true;
        });
        const bool backOnMain = std::this_thread::get_id() == mainThread;
        try {
            co_await withContinuation<void>([](Continuation<void> c) {
                c.resumeThrowing(std::runtime_error("denied"));
            });
        } catch (const std::runtime_error& e) {
            co_return std::to_string(v + 1) + (backOnMain ? " main " : " other ") + e.what();
        }
        co_return "no error";
    });
    // The handler that handed the continuation out has returned: the task is suspended.
    ASSERT_TRUE(queue.runUntil([&] { return handedOut.load(); }, kTestTimeout));
    EXPECT_FALSE(task.isDone());
    suspended.set_value();
    EXPECT_EQ(runTask(queue, task), "42 main denied");
    worker.join();
    EXPECT_EQ(secondResumeAccepted.load(), 0);
}

TEST(ContinuationTest, DroppedWithoutResumeEndsTheWaitInsteadOfHanging) {
    MainQueue queue;
    std::function<void(bool)> stored;
    auto task = startTask(queue.executor(), [&]() -> Async<bool> {
        co_return co_await withContinuation<bool>([&](Continuation<bool> c) {
            stored = [c](bool v) { c.resume(v); };
        });
    });
    ASSERT_TRUE(queue.runUntil([&] { return stored != nullptr; }, kTestTimeout));
    EXPECT_FALSE(task.isDone());
    stored = nullptr;  // the last copy goes away unused
    EXPECT_THROW(runTask(queue, task), ContinuationDroppedError);
}

TEST(ContinuationTest, CancellationDoesNotInterruptTheWait) {
    MainQueue queue;
    std::optional<Continuation<bool>> pending;
    auto task = startTask(queue.executor(), [&]() -> Async<std::string> {
        const bool answer = co_await withContinuation<bool>([&](Continuation<bool> c) { pending = c; });
        co_return std::string(answer ? "yes" : "no") + ((co_await isCancelled()) ? " cancelled" : "");
    });
    ASSERT_TRUE(queue.runUntil([&] { return pending.has_value(); }, kTestTimeout));
    task.cancel();
    queue.drain();  // delivers the cancellation and everything it sets off
    EXPECT_FALSE(task.isDone());
    pending->resume(true);
    EXPECT_EQ(runTask(queue, task), "yes cancelled");
}
