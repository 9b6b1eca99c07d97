#include "ConcurrencyTestSupport.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <memory>
#include <stdexcept>
#include <string>
#include <algorithm>
#include <thread>

using namespace platform;
using namespace tarvo_test;

namespace {

struct Owner {
    explicit Owner(std::atomic<bool>& destroyedFlag) : destroyed(destroyedFlag) {}
    ~Owner() { destroyed = true; }
    std::atomic<bool>& destroyed;
    int steps = 0;
};

// Sleeps "forever" and reports how the sleep ended; `sleeping` is set as the sleep begins.
Async<std::string> sleepAndReport(bool* sleeping = nullptr) {
    try {
        if (sleeping) *sleeping = true;
        co_await sleepFor(kForever);
        co_return "woke";
    } catch (const CancellationError&) {
        co_return "cancelled";
    }
}

}  // namespace

TEST(TaskTest, StartsFromTheQueueNotInsideStartTaskAndDeliversItsValue) {
    MainQueue queue;
    bool ran = false;
    auto task = startTask(queue.executor(), [&]() -> Async<int> {
        ran = true;
        co_return 42;
    });
    EXPECT_FALSE(ran);
    EXPECT_FALSE(task.isDone());
    EXPECT_THROW(task.result(), std::logic_error);
    EXPECT_EQ(runTask(queue, task), 42);
    EXPECT_TRUE(ran);
}

TEST(TaskTest, ErrorsPropagateToResultAndToAwaitingTasks) {
    MainQueue queue;
    auto failing = startTask(queue.executor(), []() -> Async<int> {
        co_await sleepFor(1ms);
        throw std::runtime_error("boom");
    });
    auto waiter = startTask(queue.executor(), [failing]() -> Async<std::string> {
        try {
            co_await failing.value();
            co_return "no error";
        } catch (const std::runtime_error& e) {
            co_return e.what();
        }
    });
    EXPECT_EQ(runTask(queue, waiter), "boom");
    EXPECT_THROW(failing.result(), std::runtime_error);
    // A body that throws before returning its awaitable fails the task the same way.
    auto early = startTask(queue.executor(), []() -> Async<> { throw std::invalid_argument("early"); });
    EXPECT_THROW(runTask(queue, early), std::invalid_argument);
}

TEST(TaskTest, CancelInterruptsAPendingSleepPromptly) {
    MainQueue queue;
    auto sleeper = startTask(queue.executor(), [] { return sleepAndReport(); });
    // Cancelled from the main queue while the sleep is pending.
    auto canceller = startTask(queue.executor(), [sleeper]() -> Async<> {
        co_await sleepFor(20ms);
        sleeper.cancel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(runTask(queue, sleeper), "cancelled");
    EXPECT_LT(elapsedSince(start), kPromptly);
    runTask(queue, canceller);
}

TEST(TaskTest, CancelFromAnotherThreadReachesTheTask) {
    MainQueue queue;
    bool sleeping = false;
    auto sleeper = startTask(queue.executor(), [&]() -> Async<> {
        sleeping = true;
        co_await sleepFor(kForever);
    });
    ASSERT_TRUE(queue.runUntil([&] { return sleeping; }, kTestTimeout));
    const auto start = Clock::now();
    std::thread([sleeper] { sleeper.cancel(); }).join();
    try {
        runTask(queue, sleeper);
        ADD_FAILURE() << "the sleep was not interrupted";
    } catch (const CancellationError& e) {
        EXPECT_STREQ(e.what(), "The operation couldn't be completed. (Swift.CancellationError error 1.)");
        EXPECT_EQ(e.domain(), "Swift.CancellationError");
        EXPECT_EQ(e.code(), 1);
        EXPECT_EQ(describeError(e), e.what());
    }
    EXPECT_LT(elapsedSince(start), kPromptly);
}

TEST(TaskTest, TaskCancelledBeforeItStartsRunsItsBodySeeingTheCancellation) {
    MainQueue queue;
    std::vector<std::string> log;
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        log.push_back((co_await isCancelled()) ? "cancelled" : "running");
        try {
            co_await sleepFor(kForever);
        } catch (const CancellationError&) {
            log.push_back("sleep threw at once");
        }
        co_await checkCancellation();
        log.push_back("not reached");
    });
    task.cancel();
    EXPECT_THROW(runTask(queue, task), CancellationError);
    EXPECT_EQ(log, (std::vector<std::string>{"cancelled", "sleep threw at once"}));
}

TEST(TaskTest, CancelledTaskCanStillAwaitItsCleanUp) {
    // Cancellation is cooperative: after noticing it, a task may still await other work
    // (a summary, a close), which a throw-on-every-await policy would forbid.
    MainQueue queue;
    auto helper = [](int v) -> Async<int> { co_return v * 2; };
    bool sleeping = false;
    auto task = startTask(queue.executor(), [&]() -> Async<int> {
        try {
            sleeping = true;
            co_await sleepFor(kForever);
        } catch (const CancellationError&) {
        }
        const bool cancelled = co_await isCancelled();
        const int cleanedUp = co_await helper(21);
        co_return cancelled ? cleanedUp : -1;
    });
    ASSERT_TRUE(queue.runUntil([&] { return sleeping; }, kTestTimeout));
    task.cancel();
    EXPECT_EQ(runTask(queue, task), 42);
}

TEST(TaskTest, AsioOperationAbortedByCancelEndsTheTaskWithCancellationError) {
    MainQueue queue;
    bool waiting = false;
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        boost::asio::steady_timer timer(co_await boost::asio::this_coro::executor, kForever);
        waiting = true;
        co_await timer.async_wait(boost::asio::use_awaitable);  // throws operation_aborted
    });
    ASSERT_TRUE(queue.runUntil([&] { return waiting; }, kTestTimeout));
    task.cancel();
    EXPECT_THROW(runTask(queue, task), CancellationError);
}

TEST(TaskTest, ReplacingTheTaskInAFieldCancelsTheOldOne) {
    MainQueue queue;
    std::optional<TaskHandle<std::string>> field;
    bool sleeping = false;
    replaceTask(field, startTask(queue.executor(), [&] { return sleepAndReport(&sleeping); }));
    auto first = *field;
    ASSERT_TRUE(queue.runUntil([&] { return sleeping; }, kTestTimeout));
    replaceTask(field, startTask(queue.executor(), []() -> Async<std::string> { co_return "second"; }));
    EXPECT_EQ(runTask(queue, first), "cancelled");
    EXPECT_EQ(runTask(queue, *field), "second");
    EXPECT_FALSE(field->isCancelled());
    cancelAndClear(field);
    EXPECT_FALSE(field.has_value());
}

TEST(TaskTest, DroppingTheHandleDoesNotCancel) {
    MainQueue queue;
    bool finished = false;
    startTask(queue.executor(), [&]() -> Async<> {
        co_await sleepFor(10ms);
        finished = true;
    });
    EXPECT_TRUE(queue.runUntil([&] { return finished; }, kTestTimeout));
}

TEST(TaskTest, DetachedTasksRunAndTheirErrorsAreDropped) {
    MainQueue queue;
    int ran = 0;
    detach(queue.executor(), [&]() -> Async<> {
        ++ran;
        throw std::runtime_error("nobody listens");
    });
    detach(queue.executor(), [&]() -> Async<> {
        co_await sleepFor(1ms);
        ++ran;
    });
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
    EXPECT_EQ(ran, 2);
}

TEST(TaskTest, WeakOwnerGoneBeforeStartMeansTheBodyNeverRuns) {
    MainQueue queue;
    std::atomic<bool> destroyed{false};
    auto owner = std::make_shared<Owner>(destroyed);
    bool ran = false;
    auto task = startTask(queue.executor(), std::weak_ptr<Owner>(owner), [&](std::shared_ptr<Owner>) -> Async<> {
        ran = true;
        co_return;
    });
    auto valued = startTask(queue.executor(), std::weak_ptr<Owner>(owner),
                            [](std::shared_ptr<Owner>) -> Async<int> { co_return 7; });
    owner.reset();
    EXPECT_TRUE(destroyed);  // the pending task did not keep it alive
    runTask(queue, task);
    EXPECT_FALSE(ran);
    EXPECT_EQ(runTask(queue, valued), std::nullopt);
}

TEST(TaskTest, WeakOwnerAliveRunsTheBodyWithTheOwner) {
    MainQueue queue;
    std::atomic<bool> destroyed{false};
    auto owner = std::make_shared<Owner>(destroyed);
    auto task = startTask(queue.executor(), std::weak_ptr<Owner>(owner),
                          [](std::shared_ptr<Owner> self) -> Async<int> {
                              co_await sleepFor(1ms);
                              co_return ++self->steps;
                          });
    EXPECT_EQ(runTask(queue, task), std::optional<int>(1));
}

TEST(TaskTest, WeakOwnerReleasedWhileSuspendedStopsAWeakBody) {
    MainQueue queue;
    std::atomic<bool> destroyed{false};
    auto owner = std::make_shared<Owner>(destroyed);
    std::vector<std::string> log;
    auto task = startTask(queue.executor(), std::weak_ptr<Owner>(owner), [&](std::weak_ptr<Owner> weak) -> Async<> {
        for (int i = 0; i < 100; ++i) {
            auto self = weak.lock();
            if (!self) {
                log.push_back("owner gone");
                co_return;
            }
            ++self->steps;
            log.push_back("step");
            self.reset();
            co_await sleepFor(5ms);
        }
    });
    EXPECT_TRUE(queue.runUntil([&] { return log.size() >= 2; }, kTestTimeout));
    owner.reset();
    EXPECT_TRUE(destroyed);  // released at once although the task is suspended
    runTask(queue, task);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "owner gone");
    EXPECT_LT(log.size(), 10u);
}

TEST(TaskTest, RunOnMovesWorkToTheBackgroundAndComesBack) {
    MainQueue queue;
    BackgroundQueue background(2);
    const auto mainThread = std::this_thread::get_id();
    auto task = startTask(queue.executor(), [&]() -> Async<bool> {
        const auto workerThread = co_await runOn(background.executor(), []() -> Async<std::thread::id> {
            co_return std::this_thread::get_id();
        });
        co_return workerThread != mainThread && std::this_thread::get_id() == mainThread;
    });
    EXPECT_TRUE(runTask(queue, task));
}

TEST(TaskTest, CancellingTheCallerCancelsItsRunOnChild) {
    MainQueue queue;
    BackgroundQueue background(2);
    std::atomic<bool> childCancelled{false};
    std::atomic<bool> childSleeping{false};
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        co_await runOn(background.executor(), [&]() -> Async<> {
            try {
                childSleeping = true;
                co_await sleepFor(kForever);
            } catch (const CancellationError&) {
                childCancelled = true;
                throw;
            }
        });
    });
    ASSERT_TRUE(queue.runUntil([&] { return childSleeping.load(); }, kTestTimeout));
    const auto start = Clock::now();
    task.cancel();
    EXPECT_THROW(runTask(queue, task), CancellationError);
    EXPECT_TRUE(childCancelled);
    EXPECT_LT(elapsedSince(start), kPromptly);
}

TEST(TaskTest, CancellingAWaiterLeavesTheAwaitedTaskRunning) {
    MainQueue queue;
    auto slow = startTask(queue.executor(), []() -> Async<int> {
        co_await sleepFor(50ms);
        co_return 5;
    });
    bool waiting = false;
    auto waiter = startTask(queue.executor(), [slow, &waiting]() -> Async<int> {
        waiting = true;
        co_return co_await slow.value();
    });
    ASSERT_TRUE(queue.runUntil([&] { return waiting; }, kTestTimeout));
    waiter.cancel();
    EXPECT_THROW(runTask(queue, waiter), CancellationError);
    EXPECT_FALSE(slow.isCancelled());
    EXPECT_EQ(runTask(queue, slow), 5);
}

TEST(TaskTest, ManyTasksCancelledFromAnotherThreadAllEnd) {
    // Cancellation racing the task's own progress on the background pool: each batch of
    // cancels waits until the tasks have taken a few more steps, so the cancels land before,
    // between and after the steps of different tasks.
    MainQueue queue;
    BackgroundQueue background(4);
    std::atomic<int> steps{0};
    std::vector<TaskHandle<int>> tasks;
    for (int i = 0; i < 200; ++i) {
        tasks.push_back(startTask(background.executor(), [i, &steps]() -> Async<int> {
            ++steps;
            co_await sleepFor(std::chrono::microseconds((i * 37) % 3000));
            ++steps;
            co_await sleepFor(std::chrono::microseconds((i * 53) % 2000));
            ++steps;
            co_return i;
        }));
    }
    std::thread canceller([&] {
        for (int i = 0; i < 200; i += 2) {
            tasks[i].cancel();
            if (i % 20 == 0) {
                const int reached = steps.load() + 30;
                while (steps.load() < reached &&
                       !std::all_of(tasks.begin(), tasks.end(), [](auto& t) { return t.isDone(); }))
                    std::this_thread::yield();
            }
        }
    });
    canceller.join();
    EXPECT_TRUE(queue.runUntil(
        [&] { return std::all_of(tasks.begin(), tasks.end(), [](auto& t) { return t.isDone(); }); },
        kTestTimeout));
    for (int i = 0; i < 200; ++i) {
        try {
            EXPECT_EQ(tasks[i].result(), i);
        } catch (const CancellationError&) {
            EXPECT_EQ(i % 2, 0) << "task " << i << " was never cancelled";
        }
    }
}

TEST(TaskTest, CancelInterruptsAPendingSocketReadPromptly) {
    // A loopback connection whose peer never writes: only cancellation can end the read.
    MainQueue queue;
    namespace ip = boost::asio::ip;
    ip::tcp::acceptor acceptor(queue.context(), ip::tcp::endpoint(ip::address_v4::loopback(), 0));
    ip::tcp::socket server(queue.context());
    ip::tcp::socket client(queue.context());
    acceptor.async_accept(server, [](const boost::system::error_code&) {});
    client.connect(acceptor.local_endpoint());
    queue.runUntil([&] { return server.is_open(); }, kTestTimeout);
    bool reading = false;
    auto reader = startTask(queue.executor(), [&]() -> Async<std::string> {
        char buffer[16];
        try {
            reading = true;
            co_await client.async_read_some(boost::asio::buffer(buffer), boost::asio::use_awaitable);
            co_return "data";
        } catch (const boost::system::system_error& e) {
            co_return e.code() == boost::asio::error::operation_aborted ? "aborted" : e.what();
        }
    });
    // The same read raced against a short time-out loses, and the socket stays usable.
    bool readingAgain = false;
    auto raced = startTask(queue.executor(), [&]() -> Async<std::string> {
        char buffer[16];
        auto winner = co_await race(server.async_read_some(boost::asio::buffer(buffer), boost::asio::use_awaitable),
                                    sleepFor(20ms));
        if (winner.index() != 1) co_return "read won";
        readingAgain = true;
        std::size_t n = co_await server.async_read_some(boost::asio::buffer(buffer), boost::asio::use_awaitable);
        co_return std::string(buffer, n);
    });
    ASSERT_TRUE(queue.runUntil([&] { return reading; }, kTestTimeout));
    const auto start = Clock::now();
    reader.cancel();
    EXPECT_EQ(runTask(queue, reader), "aborted");
    EXPECT_LT(elapsedSince(start), kPromptly);
    ASSERT_TRUE(queue.runUntil([&] { return readingAgain || raced.isDone(); }, kTestTimeout));
    boost::asio::write(client, boost::asio::buffer("ok", 2));
    EXPECT_EQ(runTask(queue, raced), "ok");
}
