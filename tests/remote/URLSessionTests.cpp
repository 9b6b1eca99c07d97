// The URL-session stand-in over real loopback sockets.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "platform/crypto/Sha256.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

using namespace remote_test;
using platform::Async;
using platform::URL;
using platform::URLError;
using platform::URLRequest;
using platform::URLSession;
using platform::URLSessionDataResult;

URLRequest requestFor(const std::string& url) { return URLRequest(*URL::parse(url)); }

Async<URLSessionDataResult> fetch(std::shared_ptr<URLSession> session, URLRequest request) {
    co_return co_await session->data(std::move(request));
}

std::int64_t failureCode(std::shared_ptr<URLSession> session, URLRequest request) {
    auto error = captureFailure<URLError>([session, request]() { return fetch(session, request); });
    return error ? error->code() : 0;
}

// A request to a path the server never answers, started on the queue and seen by the server.
platform::TaskHandle<URLSessionDataResult> startStalledRequest(peer::PeerServer& server,
                                                               std::shared_ptr<URLSession> session,
                                                               platform::MainQueue& queue) {
    server.addRule({{"path", "/slow"}, {"stall", true}});
    auto task = platform::startTask(queue.executor(),
                                    [&server, session]() { return fetch(session, requestFor(server.baseURL() + "/slow")); });
    queue.runUntil([&] { return server.requestsTo("/slow").size() == 1; }, 10000ms);
    return task;
}

TEST(URLSessionTest, ReturnsEveryStatusAndNeverFollowsRedirects) {
    peer::PeerServer server;
    server.addRule({{"path", "/moved"},
                    {"status", 302},
                    {"headers", {{"Location", server.baseURL() + "/elsewhere"}, {"X-Mixed-Case", "v"}}},
                    {"body", "see elsewhere"}});
    auto session = URLSession::make();
    auto result = runTask([&]() { return fetch(session, requestFor(server.baseURL() + "/moved")); });
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->statusCode, 302);
    EXPECT_EQ(result.response->value("location"), server.baseURL() + "/elsewhere");
    EXPECT_EQ(result.response->value("X-MIXED-CASE"), "v");
    EXPECT_EQ(std::string(result.data.begin(), result.data.end()), "see elsewhere");
    EXPECT_EQ(server.requests().size(), 1u) << "the redirect must not be followed";
}

TEST(URLSessionTest, SendsMethodHeadersAndBodyWithItsOwnFraming) {
    peer::PeerServer server;
    auto session = URLSession::make();
    URLRequest request = requestFor(server.baseURL() + "/probe?a=1&b=x%20y");
    request.httpMethod = "PUT";
    request.setValue("first", "X-Thing");
    request.setValue("second", "x-thing");  // replaces, whatever the spelling
    request.setValue("999", "Content-Length");  // the connection's framing is never the caller's
    const std::string body = "hello body";
    request.httpBody = std::vector<std::uint8_t>(body.begin(), body.end());
    runTask([&]() { return fetch(session, request); });

    auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 1u);
    const auto& r = recorded[0];
    EXPECT_EQ(r["method"], "PUT");
    EXPECT_EQ(r["path"], "/probe");
    EXPECT_EQ(r["query"], "a=1&b=x%20y");
    EXPECT_EQ(r["body_text"], body);
    EXPECT_EQ(recordedHeader(r, "X-Thing"), "second");
    EXPECT_EQ(recordedHeader(r, "Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(recordedHeader(r, "Host"), "127.0.0.1:" + std::to_string(server.port()));
}

TEST(URLSessionTest, RefusesHeaderInjectionBeforeAnythingIsSent) {
    peer::PeerServer server;
    auto session = URLSession::make();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"X-File-Name", "a.txt\r\nX-Injected: 1"},
        {"X-File-Name", "line\nbreak"},
        {"X-File-Name", "carriage\rreturn"},
        {"X-File-Name", std::string("nul\0byte", 8)},
        {"Bad Name", "value"},
        {"X-Colon:", "value"},
    };
    for (const auto& [name, value] : cases) {
        URLRequest request = requestFor(server.baseURL() + "/probe");
        request.setValue(value, name);
        auto error = captureFailure<URLError>([&]() { return fetch(session, request); });
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(error->code(), URLError::badURL) << name;
        EXPECT_NE(error->localizedDescription().find("was not sent"), std::string::npos)
            << error->localizedDescription();
    }
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST(URLSessionTest, ConnectionFailuresCarryThePlatformCodes) {
    auto session = sessionWithTimeout(30);  // a slow resolver must still answer "not found"
    const std::string refused = "http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()) + "/";
    EXPECT_EQ(failureCode(session, requestFor(refused)), URLError::cannotConnectToHost);
    EXPECT_EQ(failureCode(session, requestFor("http://no-such-host.invalid/")), URLError::cannotFindHost);
    EXPECT_EQ(failureCode(session, requestFor("ftp://127.0.0.1/")), URLError::unsupportedURL);
    EXPECT_EQ(URLError(URLError::cannotConnectToHost).localizedDescription(), "Could not connect to the server.");
}

TEST(URLSessionTest, ServerThatNeverAnswersTimesOutAtTheSessionsLimit) {
    peer::PeerServer server;
    server.addRule({{"path", "/slow"}, {"stall", true}});
    auto session = sessionWithTimeout(0.5);
    const auto start = std::chrono::steady_clock::now();
    // Another limit (a default session's minute) would outlast the task's own limit, which
    // fails the capture with another error.
    auto error = captureFailure<URLError>([&]() { return fetch(session, requestFor(server.baseURL() + "/slow")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), URLError::timedOut);
    EXPECT_EQ(error->localizedDescription(), "The request timed out.");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 450ms);  // a timer never fires early
}

TEST(URLSessionTest, ServerClosingWithoutAReplyIsALostConnection) {
    peer::PeerServer server;
    server.addRule({{"path", "/drop"}, {"close", true}});
    EXPECT_EQ(failureCode(URLSession::make(), requestFor(server.baseURL() + "/drop")),
              URLError::networkConnectionLost);
}

TEST(URLSessionTest, ReplyBodyAboveTheSessionsMaximumIsRefused) {
    peer::PeerServer server;
    server.addRule({{"path", "/big"}, {"body", std::string(5000, 'x')}});
    platform::URLSessionConfiguration configuration;
    configuration.maximumResponseBodyBytes = 1000;
    EXPECT_EQ(failureCode(URLSession::make(configuration), requestFor(server.baseURL() + "/big")),
              URLError::dataLengthExceedsMaximum);
}

TEST(URLSessionTest, CancellingTheAwaitingTaskEndsTheRequestPromptly) {
    peer::PeerServer server;
    auto session = URLSession::make();
    platform::MainQueue& queue = testQueue();
    auto task = startStalledRequest(server, session, queue);
    task.cancel();
    // Well before the session's request limit of a minute: the cancellation ended it.
    ASSERT_TRUE(queue.runUntil([&] { return task.isDone(); }, 20000ms));
    try {
        task.result();
        ADD_FAILURE() << "a cancelled request succeeded";
    } catch (const URLError& e) {
        EXPECT_EQ(e.code(), URLError::cancelled);
        EXPECT_EQ(e.localizedDescription(), "cancelled");
    }
}

TEST(URLSessionTest, InvalidateAndCancelEndsRunningTasksAndRefusesNewOnes) {
    peer::PeerServer server;
    auto session = URLSession::make();
    platform::MainQueue& queue = testQueue();
    auto task = startStalledRequest(server, session, queue);
    session->invalidateAndCancel();
    ASSERT_TRUE(queue.runUntil([&] { return task.isDone(); }, 5000ms));
    EXPECT_THROW(task.result(), URLError);
    EXPECT_EQ(failureCode(session, requestFor(server.baseURL() + "/probe")), URLError::cancelled);
}

// Records every body-progress callback with the thread it ran on.
struct RecordingDelegate : platform::URLSessionTaskDelegate {
    struct Call {
        std::int64_t sent, total, expected;
        std::thread::id thread;
    };
    std::mutex mutex;
    std::vector<Call> calls;
    void didSendBodyData(URLSession&, std::int64_t sent, std::int64_t total, std::int64_t expected) override {
        std::lock_guard lock(mutex);
        calls.push_back({sent, total, expected, std::this_thread::get_id()});
    }
};

TEST(URLSessionTest, UploadStreamsAFileAndReportsProgressOffTheCallersThread) {
    peer::PeerServer server;
    const std::size_t size = 3 * 1024 * 1024 + 17;
    const std::string path = writePatternFile(server.root() + "/upload.bin", size);
    auto delegate = std::make_shared<RecordingDelegate>();
    auto session = URLSession::make();
    URLRequest request = requestFor(server.baseURL() + "/emit");
    request.httpMethod = "POST";
    request.setValue("upload.bin", "X-File-Name");
    request.setValue(server.options().receptionistToken, "X-Auth-Token");
    auto result = runTask([&]() -> Async<URLSessionDataResult> {
        URL file = URL::fileURL(path);
        co_return co_await session->upload(request, file, delegate);
    });
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->statusCode, 201);

    const auto recorded = server.requestsTo("/emit");
    ASSERT_EQ(recorded.size(), 1u);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(recorded[0]["body_size"], size);
    EXPECT_EQ(recorded[0]["body_sha256"], platform::SHA256::hexDigest(bytes));
    EXPECT_EQ(recordedHeader(recorded[0], "Content-Length"), std::to_string(size));

    ASSERT_GE(delegate->calls.size(), 2u);
    std::int64_t previous = 0;
    std::int64_t sum = 0;
    for (const auto& call : delegate->calls) {
        EXPECT_NE(call.thread, std::this_thread::get_id()) << "callbacks never run on the caller's thread";
        EXPECT_EQ(call.expected, static_cast<std::int64_t>(size));
        EXPECT_GT(call.total, previous);
        EXPECT_EQ(call.total - previous, call.sent);
        previous = call.total;
        sum += call.sent;
    }
    EXPECT_EQ(previous, static_cast<std::int64_t>(size));
    EXPECT_EQ(sum, static_cast<std::int64_t>(size));
}

TEST(URLSessionTest, UploadOfAMissingFileFailsBeforeConnecting) {
    peer::PeerServer server;
    auto session = URLSession::make();
    URLRequest request = requestFor(server.baseURL() + "/emit");
    request.httpMethod = "POST";
    auto error = captureFailure<URLError>([&]() -> Async<URLSessionDataResult> {
        URL file = URL::fileURL(server.root() + "/missing.bin");
        co_return co_await session->upload(request, file);
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), URLError::fileDoesNotExist);
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST(URLSessionTest, HttpsVerifiesTheServersCertificate) {
    peer::PeerServer::Options options;
    options.tls = true;
    peer::PeerServer server(options);
    ASSERT_EQ(server.baseURL().rfind("https://", 0), 0u);

    // Signed by nobody the system trusts: refused.
    auto error = captureFailure<URLError>(
        [&]() { return fetch(URLSession::make(), requestFor(server.baseURL() + "/probe")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), URLError::serverCertificateUntrusted);
    EXPECT_NE(error->localizedDescription().find("127.0.0.1"), std::string::npos);
    EXPECT_EQ(server.requests().size(), 0u);

    // Trusted through the session's configuration: the exchange goes through, by address and
    // by name.
    platform::URLSessionConfiguration configuration;
    configuration.additionalTrustedCertificateFiles = {server.certificateFile()};
    auto trusting = URLSession::make(configuration);
    for (const std::string host : {"127.0.0.1", "localhost"}) {
        auto result = runTask([&]() {
            return fetch(trusting, requestFor("https://" + host + ":" + std::to_string(server.port()) + "/probe"));
        });
        ASSERT_TRUE(result.response) << host;
        EXPECT_EQ(result.response->statusCode, 404) << host;
    }
    EXPECT_EQ(server.requestsTo("/probe").size(), 2u);
}

}  // namespace
