// The URL session's whole-task limit: a task that has not ended when the resource time-out
// passes fails with timedOut, even while each wait is well inside the per-request limit.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/remote/RemoteTestSupport.h"

namespace {

using namespace remote_test;
using namespace std::chrono_literals;
using platform::Async;
using platform::URL;
using platform::URLError;
using platform::URLRequest;
using platform::URLSession;
using platform::URLSessionDataResult;

Async<URLSessionDataResult> fetch(std::shared_ptr<URLSession> session, URLRequest request) {
    co_return co_await session->data(std::move(request));
}

TEST(URLSessionResourceTimeoutTest, WholeTaskLimitEndsAStalledReply) {
    peer::PeerServer server;
    server.addRule({{"path", "/slow"}, {"stall", true}, {"times", 0}});
    platform::URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = 30;
    configuration.timeoutIntervalForResource = 0.5;
    auto session = URLSession::make(configuration);
    const auto start = std::chrono::steady_clock::now();
    auto error = captureFailure<URLError>(
        [&]() { return fetch(session, URLRequest(*URL::parse(server.baseURL() + "/slow"), {}, 30)); });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code(), URLError::timedOut);
    EXPECT_GE(elapsed, 400ms);
    EXPECT_LT(elapsed, 10s) << "the per-request limit of 30 s did not decide";

    // The default leaves an ordinary exchange alone.
    EXPECT_GT(platform::URLSessionConfiguration{}.timeoutIntervalForResource, 24 * 3600.0);
    auto result = runTask([&]() {
        return fetch(URLSession::make(), URLRequest(*URL::parse(server.baseURL() + "/api/list?path=")));
    });
    ASSERT_TRUE(result.response);
}

}  // namespace
