// Signals and typed lines as events of the main queue: the first signal is an event, a second
// one ends the process with 130 (SIGINT) or 143 (SIGTERM), an interrupt ignored from the start
// stays ignored, and lines arrive in order (the last one without its line break too) followed by
// the end.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/concurrency/MainQueue.h"
#include "platform/concurrency/TerminalEvents.h"

namespace {

using namespace std::chrono_literals;
using platform::InputLines;
using platform::InterruptSignals;
using platform::MainQueue;

TEST(InterruptSignalsTest, TheFirstSignalIsAnEventOnTheQueue) {
    MainQueue queue;
    std::vector<InterruptSignals::Kind> seen;
    {
        InterruptSignals signals(queue, [&](InterruptSignals::Kind k) { seen.push_back(k); });
        ::raise(SIGTERM);
        ASSERT_TRUE(queue.runUntil([&] { return !seen.empty(); }, 20000ms));
    }
    EXPECT_EQ(seen, std::vector<InterruptSignals::Kind>{InterruptSignals::Kind::terminate});
    // Once it is gone, the earlier disposition is back.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST(InterruptSignalsDeathTest, ASecondSignalEndsTheProcessWithItsShellStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        int signal;
        int status;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                MainQueue queue;
                bool first = false;
                InterruptSignals signals(queue, [&](InterruptSignals::Kind) { first = true; });
                ::raise(c.signal);
                if (!queue.runUntil([&] { return first; }, 20000ms)) std::_Exit(3);
                ::raise(c.signal);
                queue.runUntil([] { return false; }, 20000ms);
                std::_Exit(4);
            },
            ::testing::ExitedWithCode(c.status), "")
            << "signal " << c.signal;
    }
}

TEST(InterruptSignalsTest, AnInterruptIgnoredFromTheStartStaysIgnored) {
    struct sigaction ignore {}, old{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &old);
    MainQueue queue;
    std::vector<InterruptSignals::Kind> seen;
    {
        InterruptSignals signals(queue, [&](InterruptSignals::Kind k) { seen.push_back(k); });
        ::raise(SIGINT);
        ::raise(SIGTERM);
        ASSERT_TRUE(queue.runUntil([&] { return !seen.empty(); }, 20000ms));
        queue.drain();
    }
    ::sigaction(SIGINT, &old, nullptr);
    EXPECT_EQ(seen, std::vector<InterruptSignals::Kind>{InterruptSignals::Kind::terminate});
}

TEST(InputLinesTest, LinesThenTheEndInOrder) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    MainQueue queue;
    std::vector<std::optional<std::string>> got;
    InputLines lines(queue, [&](std::optional<std::string> l) { got.push_back(std::move(l)); }, fds[0]);
    const std::string text = "tap:sendButton\n\ntype:kindField=a b\nlast";
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_TRUE(queue.runUntil([&] { return got.size() == 3; }, 20000ms));
    ::close(fds[1]);
    ASSERT_TRUE(queue.runUntil([&] { return got.size() == 5; }, 20000ms));
    EXPECT_THAT(got, ::testing::ElementsAre(std::optional<std::string>("tap:sendButton"), std::optional<std::string>(""),
                                            std::optional<std::string>("type:kindField=a b"),
                                            std::optional<std::string>("last"), std::nullopt));
    ::close(fds[0]);
}

TEST(InputLinesTest, StopsReadingWhenItGoesAwayWithTheInputStillOpen) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    MainQueue queue;
    int calls = 0;
    {
        InputLines lines(queue, [&](std::optional<std::string>) { ++calls; }, fds[0]);
        ASSERT_EQ(::write(fds[1], "x\n", 2), 2);
        ASSERT_TRUE(queue.runUntil([&] { return calls == 1; }, 20000ms));
    }
    ASSERT_EQ(::write(fds[1], "y\n", 2), 2);
    queue.drain();
    EXPECT_EQ(calls, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
