// A queue that ends while work it started runs elsewhere: what ends later on another thread (a
// background child, a continuation, a cancel) reaches nothing, and endTasks() ends that work
// before the queue goes. Under the sanitizers a post to the ended queue is a use after free.
#include "ConcurrencyTestSupport.h"

#include <future>
#include <memory>
#include <thread>

using namespace platform;
using namespace tarvo_test;

namespace {

// How many times each ending is tried: the threads meet in a different order each time.
constexpr int kRounds = 40;

// A gate a background child waits at, so the test decides when it ends.
struct Gate {
    std::promise<void> opened;
    std::shared_future<void> open = opened.get_future().share();
    std::promise<void> reachedPromise;
    std::future<void> reached = reachedPromise.get_future();
};

}  // namespace

TEST(QueueEndTest, ABackgroundChildThatEndsAfterItsQueueIsGoneReachesNothing) {
    BackgroundQueue background(2);
    for (int round = 0; round < kRounds; ++round) {
        auto gate = std::make_shared<Gate>();
        std::promise<void> childEnded;
        auto ended = childEnded.get_future();
        {
            MainQueue queue;
            auto child = [gate, &childEnded]() -> Async<int> {
                gate->reachedPromise.set_value();
                gate->open.wait();
                childEnded.set_value();
                co_return 1;
            };
            detach(queue.executor(), [&background, child]() -> Async<> {
                (void)co_await runOn(background.executor(), child);
            });
            ASSERT_TRUE(queue.runUntil([&] { return gate->reached.wait_for(0s) == std::future_status::ready; },
                                       kTestTimeout));
            if (round % 2 == 1) gate->opened.set_value();  // the child may end while the queue goes
        }
        if (round % 2 == 0) gate->opened.set_value();  // the child ends once the queue is gone
        ended.wait();
    }
    background.join();
}

TEST(QueueEndTest, AContinuationResumedAfterItsQueueIsGoneReachesNothing) {
    for (int round = 0; round < kRounds; ++round) {
        std::optional<Continuation<int>> kept;
        {
            MainQueue queue;
            detach(queue.executor(), [&kept]() -> Async<> {
                (void)co_await withContinuation<int>([&kept](Continuation<int> c) { kept.emplace(std::move(c)); });
            });
            ASSERT_TRUE(queue.runUntil([&] { return kept.has_value(); }, kTestTimeout));
        }
        std::thread resumer([&] { kept->resume(7); });
        resumer.join();
        kept.reset();
    }
}

TEST(QueueEndTest, ACancelFromAnotherThreadAfterTheQueueIsGoneReachesNothing) {
    for (int round = 0; round < kRounds; ++round) {
        std::optional<TaskHandle<>> handle;
        {
            MainQueue queue;
            handle.emplace(startTask(queue.executor(), []() -> Async<> { co_await sleepFor(kForever); }));
            queue.drain();
        }
        std::thread canceller([&] { handle->cancel(); });
        canceller.join();
        EXPECT_TRUE(handle->isCancelled());
    }
}

TEST(QueueEndTest, EndTasksCancelsTheQueuesTasksAndWaitsForTheirWorkOffTheQueue) {
    BackgroundQueue background(2);
    MainQueue queue;
    std::atomic<int> childrenRunning{0};
    std::atomic<int> childrenSawCancel{0};
    // Children that run until they are cancelled, each awaited by a task of the queue; and a
    // task that starts another one as it is cancelled.
    auto child = [&]() -> Async<> {
        ++childrenRunning;
        try {
            co_await sleepFor(kForever);
        } catch (const CancellationError&) {
            ++childrenSawCancel;
        }
        --childrenRunning;
    };
    std::vector<TaskHandle<>> tasks;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(startTask(queue.executor(), [&background, child]() -> Async<> {
            co_await runOn(background.executor(), child);
        }));
    }
    std::optional<TaskHandle<>> startedLate;
    tasks.push_back(startTask(queue.executor(), [&]() -> Async<> {
        try {
            co_await sleepFor(kForever);
        } catch (const CancellationError&) {
        }
        startedLate.emplace(startTask(queue.executor(), []() -> Async<> { co_await sleepFor(kForever); }));
    }));
    ASSERT_TRUE(queue.runUntil([&] { return childrenRunning.load() == 3; }, kTestTimeout));

    EXPECT_TRUE(queue.endTasks(kTestTimeout));
    EXPECT_EQ(childrenSawCancel.load(), 3);
    EXPECT_EQ(childrenRunning.load(), 0);
    for (const auto& t : tasks) EXPECT_TRUE(t.isDone());
    ASSERT_TRUE(startedLate.has_value());
    EXPECT_TRUE(startedLate->isDone());
    EXPECT_TRUE(startedLate->isCancelled());
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
}
