#include "ConcurrencyTestSupport.h"

#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;
using namespace tarvo_test;

namespace {

// A child that sleeps, then returns its id; records when it was cancelled and, when asked, when
// its sleep began.
Async<int> sleeper(int id, std::chrono::milliseconds d, std::shared_ptr<std::atomic<int>> cancelled,
                   std::shared_ptr<std::atomic<int>> sleeping = nullptr) {
    try {
        if (sleeping) ++*sleeping;
        co_await sleepFor(d);
    } catch (const CancellationError&) {
        ++*cancelled;
        throw;
    }
    co_return id;
}

}  // namespace

TEST(TaskGroupTest, ResultsArriveInCompletionOrderFromParallelChildren) {
    MainQueue queue;
    BackgroundQueue background(4);
    auto cancelled = std::make_shared<std::atomic<int>>(0);
    auto task = startTask(queue.executor(), [&]() -> Async<std::vector<int>> {
        co_return co_await withTaskGroup<int>(background.executor(), [&](TaskGroup<int>& group) -> Async<std::vector<int>> {
            group.addTask([=] { return sleeper(3, 300ms, cancelled); });
            group.addTask([=] { return sleeper(1, 20ms, cancelled); });
            group.addTask([=] { return sleeper(2, 150ms, cancelled); });
            std::vector<int> order;
            while (auto id = co_await group.next()) order.push_back(*id);
            co_return order;
        });
    });
    // In parallel: one after the other, they would have ended in the order they were added.
    EXPECT_EQ(runTask(queue, task), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(cancelled->load(), 0);
}

TEST(TaskGroupTest, AChildErrorIsRethrownByNextAndTheOthersStillArrive) {
    MainQueue queue;
    auto task = startTask(queue.executor(), [&]() -> Async<std::vector<std::string>> {
        TaskGroup<int> group(co_await boost::asio::this_coro::executor);
        group.addTask([]() -> Async<int> {
            co_await sleepFor(5ms);
            throw std::runtime_error("child failed");
        });
        group.addTask([]() -> Async<int> {
            co_await sleepFor(30ms);
            co_return 2;
        });
        std::vector<std::string> log;
        while (true) {
            try {
                auto v = co_await group.next();
                if (!v) break;
                log.push_back(std::to_string(*v));
            } catch (const std::runtime_error& e) {
                log.push_back(e.what());
            }
        }
        EXPECT_TRUE(group.isEmpty());
        co_return log;
    });
    EXPECT_EQ(runTask(queue, task), (std::vector<std::string>{"child failed", "2"}));
}

TEST(TaskGroupTest, CancellingTheParentCancelsChildrenAndNextDeliversTheirOutcome) {
    MainQueue queue;
    BackgroundQueue background(2);
    auto cancelled = std::make_shared<std::atomic<int>>(0);
    auto sleeping = std::make_shared<std::atomic<int>>(0);
    int outcomes = 0;
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        co_await withTaskGroup<int>(background.executor(), [&](TaskGroup<int>& group) -> Async<> {
            for (int i = 0; i < 3; ++i) group.addTask([=] { return sleeper(i, kForever, cancelled, sleeping); });
            while (true) {
                try {
                    if (!co_await group.next()) break;
                } catch (const CancellationError&) {
                }
                ++outcomes;
            }
            EXPECT_TRUE(group.isCancelled());
        });
    });
    ASSERT_TRUE(queue.runUntil([&] { return sleeping->load() == 3; }, kTestTimeout));
    const auto start = Clock::now();
    task.cancel();
    runTask(queue, task);
    EXPECT_LT(elapsedSince(start), kPromptly);
    EXPECT_EQ(cancelled->load(), 3);
    EXPECT_EQ(outcomes, 3);
}

TEST(TaskGroupTest, ABodyThatThrowsCancelsAndAwaitsTheRemainingChildren) {
    MainQueue queue;
    auto cancelled = std::make_shared<std::atomic<int>>(0);
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        co_await withTaskGroup<int>([&](TaskGroup<int>& group) -> Async<> {
            group.addTask([=] { return sleeper(1, kForever, cancelled); });
            group.addTask([=] { return sleeper(2, kForever, cancelled); });
            co_await sleepFor(5ms);
            throw std::runtime_error("body failed");
        });
    });
    const auto start = Clock::now();
    EXPECT_THROW(runTask(queue, task), std::runtime_error);
    // Both children had ended (cancelled) before the error came out of the group.
    EXPECT_EQ(cancelled->load(), 2);
    EXPECT_LT(elapsedSince(start), kPromptly);
}

TEST(TaskGroupTest, ChildrenAddedAfterCancelAllStartCancelledAndVoidChildrenWork) {
    MainQueue queue;
    auto task = startTask(queue.executor(), [&]() -> Async<int> {
        TaskGroup<void> group(co_await boost::asio::this_coro::executor);
        group.cancelAll();
        group.addTask([]() -> Async<> { co_await sleepFor(kForever); });
        group.addTask([]() -> Async<> { co_return; });
        int ok = 0, cancelledCount = 0;
        while (true) {
            try {
                if (!co_await group.next()) break;
                ++ok;
            } catch (const CancellationError&) {
                ++cancelledCount;
            }
        }
        co_return ok * 10 + cancelledCount;
    });
    EXPECT_EQ(runTask(queue, task), 11);
}

TEST(TaskGroupTest, ManyChildrenOnThePoolAllReportBack) {
    MainQueue queue;
    BackgroundQueue background(4);
    auto task = startTask(queue.executor(), [&]() -> Async<long> {
        co_return co_await withTaskGroup<long>(background.executor(), [](TaskGroup<long>& group) -> Async<long> {
            for (long i = 1; i <= 500; ++i)
                group.addTask([i]() -> Async<long> {
                    co_await sleepFor(std::chrono::microseconds(i % 7));
                    co_return i;
                });
            long sum = 0;
            while (auto v = co_await group.next()) sum += *v;
            co_return sum;
        });
    });
    EXPECT_EQ(runTask(queue, task), 500L * 501 / 2);
}

// A wake-up can arrive after its waiter has already consumed the state it announced (a child on
// another thread pushes its result, the owner takes it, then the notification lands on the
// owner's next wait). Such a wake-up must not end a wait whose predicate is false: next() would
// report "no more children" while children are still running.
TEST(AsyncConditionTest, StaleWakeUpDoesNotEndAWaitWhosePredicateIsFalse) {
    MainQueue queue;
    auto condition = detail::AsyncCondition::create();
    bool ready = false;  // guarded by condition->mutex
    auto task = startTask(queue.executor(), [&]() -> Async<bool> {
        std::function<bool()> isReady = [&ready] { return ready; };
        co_await condition->waitUntil(std::move(isReady));
        std::lock_guard lock(condition->mutex);
        co_return ready;
    });
    queue.drain();
    ASSERT_FALSE(task.isDone());
    condition->notifyAll();  // nothing changed
    queue.drain();
    EXPECT_FALSE(task.isDone());
    {
        std::lock_guard lock(condition->mutex);
        ready = true;
    }
    condition->notifyAll();
    EXPECT_TRUE(runTask(queue, task));
}

TEST(RaceTest, FirstResultWinsAndTheLoserIsCancelled) {
    MainQueue queue;
    struct Case {
        std::chrono::milliseconds a, b;
        std::size_t winner;
    };
    const auto forever = std::chrono::duration_cast<std::chrono::milliseconds>(kForever);
    for (const Case c : {Case{10ms, forever, 0}, Case{forever, 10ms, 1}}) {
        auto cancelled = std::make_shared<std::atomic<int>>(0);
        auto task = startTask(queue.executor(), [&]() -> Async<std::variant<int, int>> {
            co_return co_await race(sleeper(0, c.a, cancelled), sleeper(1, c.b, cancelled));
        });
        const auto start = Clock::now();
        const auto result = runTask(queue, task);
        EXPECT_EQ(result.index(), c.winner);
        EXPECT_EQ(std::visit([](int v) { return v; }, result), static_cast<int>(c.winner));
        EXPECT_EQ(cancelled->load(), 1);  // the loser, and it had ended before race returned
        EXPECT_LT(elapsedSince(start), kPromptly);
    }
}

TEST(RaceTest, AnErrorOfTheFirstIsThrownAndTheLosersErrorIsDropped) {
    MainQueue queue;
    auto failsFast = []() -> Async<int> {
        co_await sleepFor(5ms);
        throw std::runtime_error("first");
    };
    auto failsOnCancel = []() -> Async<> {
        try {
            co_await sleepFor(kForever);
        } catch (...) {
        }
        throw std::logic_error("second");
    };
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        co_await race(failsFast(), failsOnCancel());
    });
    try {
        runTask(queue, task);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "first");
    }
}

TEST(RaceTest, CancellingTheCallerCancelsBothSides) {
    MainQueue queue;
    auto cancelled = std::make_shared<std::atomic<int>>(0);
    auto sleeping = std::make_shared<std::atomic<int>>(0);
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        co_await race(sleeper(0, 30000ms, cancelled, sleeping), sleeper(1, 30000ms, cancelled, sleeping));
    });
    ASSERT_TRUE(queue.runUntil([&] { return sleeping->load() == 2; }, kTestTimeout));
    const auto start = Clock::now();
    task.cancel();
    EXPECT_THROW(runTask(queue, task), CancellationError);
    EXPECT_EQ(cancelled->load(), 2);
    EXPECT_LT(elapsedSince(start), kPromptly);
}

TEST(WithTimeoutTest, GivesTheValueOrNothingAndCancelsTheSlowOperation) {
    MainQueue queue;
    auto cancelled = std::make_shared<std::atomic<int>>(0);
    auto task = startTask(queue.executor(), [&]() -> Async<std::vector<std::string>> {
        std::vector<std::string> log;
        auto fast = co_await withTimeout(1s, sleeper(7, 5ms, cancelled));
        log.push_back(fast ? std::to_string(*fast) : "timeout");
        auto slow = co_await withTimeout(20ms, sleeper(8, std::chrono::duration_cast<std::chrono::milliseconds>(kForever), cancelled));
        log.push_back(slow ? std::to_string(*slow) : "timeout");
        const bool voidDone = co_await withTimeout(1s, sleepFor(1ms));
        log.push_back(voidDone ? "done" : "timeout");
        const bool voidLate = co_await withDeadline(Deadline::after(10ms), sleepFor(kForever));
        log.push_back(voidLate ? "done" : "timeout");
        co_return log;
    });
    const auto start = Clock::now();
    EXPECT_EQ(runTask(queue, task), (std::vector<std::string>{"7", "timeout", "done", "timeout"}));
    EXPECT_EQ(cancelled->load(), 1);
    EXPECT_LT(elapsedSince(start), kPromptly);
}
