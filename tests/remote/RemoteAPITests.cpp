// The HTTP transport and the REST API client, against the loopback server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

using namespace remote_test;
using platform::Async;
using platform::Json;
using platform::URL;
using tarvo::HTTPRequest;
using tarvo::HTTPResponse;
using tarvo::RemoteAPI;
using tarvo::RemoteFailure;
using tarvo::TransportError;

// ---- errors and URL building (no network)

TEST(TransportErrorTest, Texts) {
    EXPECT_EQ(TransportError::httpStatus(404, std::nullopt).errorDescription(), "HTTP 404");
    EXPECT_EQ(TransportError::httpStatus(404, "").errorDescription(), "HTTP 404");
    EXPECT_EQ(TransportError::httpStatus(409, "exists").errorDescription(), "HTTP 409: exists");
    EXPECT_EQ(TransportError::network("timed out").errorDescription(), "Network error: timed out");
    EXPECT_EQ(TransportError::badResponse().errorDescription(), "Bad response");
    EXPECT_EQ(TransportError::cancelled().errorDescription(), "Cancelled");
    EXPECT_EQ(RemoteFailure::transport(TransportError::network("x")).errorDescription(), "Network error: x");
    EXPECT_EQ(RemoteFailure::server("disk full").errorDescription(), "Server error: disk full");
    EXPECT_EQ(RemoteFailure::decoding().errorDescription(), "Could not decode response");
    EXPECT_EQ(RemoteFailure::auth().errorDescription(), "Authentication failed");
    EXPECT_EQ(RemoteFailure::badURL().errorDescription(), "Bad URL");
}

TEST(RemoteAPITest, JoinPathAddsAndRemovesExactlyOneSlash) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"", "/api/list", "/api/list"},       {"/", "/api/list", "/api/list"},
        {"//", "/api/list", "/api/list"},     {"/srv", "/api/list", "/srv/api/list"},
        {"/srv/", "/api/list", "/srv/api/list"}, {"/srv//", "api/list", "/srv//api/list"},
        {"/a//b", "x", "/a//b/x"},
    };
    for (const auto& [base, rel, expected] : cases) {
        EXPECT_EQ(RemoteAPI::joinPath(base, rel), expected) << base << " + " << rel;
    }
}

TEST(RemoteAPITest, BuildsHTTPAndWebSocketURLs) {
    auto api = [](const std::string& base) { return makeAPI(base, "t"); };
    EXPECT_EQ(api("http://h:8080/srv/").buildURL("/api/list").absoluteString(), "http://h:8080/srv/api/list");
    EXPECT_EQ(api("http://h").buildURL("/api/list").absoluteString(), "http://h/api/list");
    // A base query stays for a call without query items and gives way to one with them.
    EXPECT_EQ(api("http://h/srv?keep=1").buildURL("/api/jobs/submit").absoluteString(),
              "http://h/srv/api/jobs/submit?keep=1");
    EXPECT_EQ(api("http://h/srv?keep=1").buildURL("/api/list", {{"path", "a b&c"}}).absoluteString(),
              "http://h/srv/api/list?path=a%20b%26c");
    EXPECT_EQ(api("HTTPS://h/x").buildWSURL("/ws/cmd").scheme(), "wss");
    EXPECT_EQ(api("http://h/x").buildWSURL("/ws/cmd").absoluteString(), "ws://h/x/ws/cmd");
    EXPECT_EQ(api("ftp://h/x").buildWSURL("/ws/cmd").scheme(), "ftp");
    EXPECT_EQ(api("http://h").authHeader(), (std::map<std::string, std::string>{{"Authorization", "Bearer t"}}));
    EXPECT_EQ(makeAPI("http://h", "").authHeader().at("Authorization"), "Bearer ");
}

// ---- the transport over loopback

Async<HTTPResponse> send(std::shared_ptr<tarvo::HTTPTransport> transport, HTTPRequest request) {
    co_return co_await transport->send(std::move(request));
}

TEST(URLSessionHTTPTransportTest, ReturnsErrorRepliesUnchangedWithLowercasedHeaderNames) {
    peer::PeerServer server;
    server.addRule({{"path", "/boom"},
                    {"status", 500},
                    {"headers", {{"X-Custom-Header", "Value"}}},
                    {"json", {{"error", "disk full"}}}});
    auto transport = std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make());
    auto response = runTask([&]() {
        return send(transport, HTTPRequest{"GET", *URL::parse(server.baseURL() + "/boom"), {}, std::nullopt});
    });
    EXPECT_EQ(response.status, 500);
    EXPECT_EQ(response.headers.at("x-custom-header"), "Value");
    EXPECT_EQ(response.headers.count("X-Custom-Header"), 0u);
    EXPECT_EQ(response.headers.at("content-type"), "application/json");
    EXPECT_EQ(std::string(response.data.begin(), response.data.end()), R"({"error": "disk full"})");

    // No headers of the caller's own and no body: none go out.
    const auto recorded = server.requestsTo("/boom");
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_FALSE(recordedHeader(recorded[0], "Authorization"));
    EXPECT_FALSE(recordedHeader(recorded[0], "Content-Length"));
    EXPECT_EQ(recorded[0]["body_size"], 0);
}

// ---- the REST calls over loopback

class RemoteAPILoopbackTest : public ::testing::Test {
protected:
    peer::PeerServer server;

    std::string listFailure(std::shared_ptr<platform::URLSession> session = platform::URLSession::make()) {
        auto api = makeAPI(server, std::move(session));
        return failureText<RemoteFailure>([api]() { return api.list("/"); });
    }
};

TEST_F(RemoteAPILoopbackTest, ListsAndStatsRealFiles) {
    std::filesystem::create_directories(server.filesRoot() + "/photos");
    std::ofstream(server.filesRoot() + "/run.sh") << "echo hi\n";
    std::filesystem::permissions(server.filesRoot() + "/run.sh", std::filesystem::perms::owner_all);
    auto api = makeAPI(server);

    auto listing = runTask([api]() { return api.list(""); });
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].id(), "dir:photos");
    EXPECT_EQ(listing.entries[1].name, "run.sh");
    EXPECT_EQ(listing.entries[1].size, 8);
    EXPECT_TRUE(listing.entries[1].executable);

    auto stat = runTask([api]() { return api.stat("run.sh"); });
    EXPECT_EQ(stat.type, "file");
    EXPECT_EQ(stat.size, 8);
    EXPECT_EQ(stat.ok, true);

    const auto recorded = server.requestsTo("/api/list");
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0]["query"], "path=");
    EXPECT_EQ(recordedHeader(recorded[0], "Authorization"), "Bearer " + server.options().token);
}

TEST_F(RemoteAPILoopbackTest, PathPrefixOfTheBaseURLAndItsQuery) {
    std::filesystem::create_directories(server.filesRoot() + "/a b/ü");
    auto api = makeAPI(server.baseURL() + "/srv/?keep=1", server.options().token);
    runTask([api]() { return api.list("a b/ü"); });
    const auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0]["path"], "/srv/api/list");
    EXPECT_EQ(recorded[0]["query_items"], Json::parse(R"([["path", "a b/ü"]])"));
}

TEST_F(RemoteAPILoopbackTest, ErrorRepliesBecomeTheirFailures) {
    struct Case {
        int status;
        Json rule;  // body part of the rule
        std::string text;
    };
    const std::vector<Case> cases = {
        {401, {{"json", {{"error", "no"}}}}, "Authentication failed"},
        {403, {{"json", {{"error", "forbidden"}}}}, "Authentication failed"},
        {404, {{"json", {{"detail", "no such file"}}}}, "HTTP 404: no such file"},
        {404, {{"body", ""}}, "HTTP 404"},
        {405, {{"json", {{"error", ""}}}}, "HTTP 405"},
        {500, {{"json", {{"error", 7}, {"detail", "disk full"}}}}, "Server error: disk full"},
        {500, {{"json", {{"message", "m"}}}}, "Server error: m"},
        {500, {{"body", ""}}, "HTTP 500"},
        {500, {{"json", {{"error", ""}}}}, "HTTP 500"},
        {502, {{"body", "<html>bad gateway</html>"}}, "HTTP 502"},
        {503, {{"json", Json::array({"error"})}}, "HTTP 503"},
        {302, {{"headers", {{"Location", "http://127.0.0.1:1/api/list"}}}}, "HTTP 302"},
        {302, {{"json", {{"error", "moved"}}}}, "Server error: moved"},
    };
    for (const auto& c : cases) {
        Json rule = c.rule;
        rule["path"] = "/api/list";
        rule["status"] = c.status;
        server.addRule(rule);
        EXPECT_EQ(listFailure(), c.text) << c.status << " " << c.rule.dump();
    }
    EXPECT_EQ(server.requests().size(), cases.size()) << "a redirect must not be followed";
}

TEST_F(RemoteAPILoopbackTest, WrongTokenIsAnAuthenticationFailure) {
    auto api = makeAPI(server.baseURL(), "wrong");
    EXPECT_EQ(failureText<RemoteFailure>([api]() { return api.stat("x"); }), "Authentication failed");
}

TEST_F(RemoteAPILoopbackTest, RepliesThatDoNotDecode) {
    const std::vector<Json> listReplies = {
        Json::parse(R"({"path": "/", "entries": [{"name": "a", "type": "file", "size": 1, "mtime": 2}]})"),
        Json::parse(R"({"path": "/", "entries": [{"name": "a", "type": "file", "size": 1, "mtime": 2.5, "executable": false}]})"),
        Json::parse(R"({"path": "/", "entries": [{"name": "a", "type": "file", "size": "1", "mtime": 2, "executable": false}]})"),
        Json::parse(R"({"entries": []})"),
        Json::parse(R"({"path": null, "entries": []})"),
        Json::parse(R"([])"),
    };
    for (const auto& reply : listReplies) {
        server.addRule({{"path", "/api/list"}, {"json", reply}});
        EXPECT_EQ(listFailure(), "Could not decode response") << reply.dump();
    }
    server.addRule({{"path", "/api/list"}, {"body", "not json"}});
    EXPECT_EQ(listFailure(), "Could not decode response");

    // Unknown keys are ignored; a whole-number float is still an integer.
    server.addRule({{"path", "/api/list"},
                    {"json", Json::parse(R"({"path": "/", "extra": 1, "entries": [{"name": "a", "type": "file",
                        "size": 1.0, "mtime": 2, "executable": false, "owner": "me"}]})")}});
    auto api = makeAPI(server);
    auto listing = runTask([api]() { return api.list("/"); });
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0], (tarvo::Entry{"a", "file", 1, 2, false}));
}

TEST_F(RemoteAPILoopbackTest, StatWithOnlyTheRequiredKeys) {
    server.addRule({{"path", "/api/stat"}, {"json", {{"path", "a"}, {"type", "file"}, {"size", nullptr}}}});
    auto api = makeAPI(server);
    auto stat = runTask([api]() { return api.stat("a"); });
    EXPECT_EQ(stat, (tarvo::FileStatResponse{std::nullopt, "a", "file", std::nullopt, std::nullopt,
                                             std::nullopt, std::nullopt}));
}

TEST_F(RemoteAPILoopbackTest, TransportFailuresKeepTheirPlatformTexts) {
    auto refused = makeAPI("http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()), "t");
    EXPECT_EQ(failureText<RemoteFailure>([refused]() { return refused.list("/"); }),
              "Network error: URLError(-1004): Could not connect to the server.");

    server.addRule({{"path", "/api/list"}, {"stall", true}});
    EXPECT_EQ(listFailure(sessionWithTimeout(0.4)), "Network error: URLError(-1001): The request timed out.");

    server.addRule({{"path", "/api/list"}, {"close", true}});
    EXPECT_EQ(listFailure(), "Network error: URLError(-1005): The network connection was lost.");
}

TEST_F(RemoteAPILoopbackTest, CancellationMidRequestIsCancelled) {
    server.addRule({{"path", "/api/stat"}, {"stall", true}});
    auto api = makeAPI(server);
    platform::MainQueue& queue = testQueue();
    auto task = platform::startTask(queue.executor(), [api]() { return api.stat("x"); });
    queue.runUntil([&] { return server.requestsTo("/api/stat").size() == 1; }, 10000ms);
    task.cancel();
    ASSERT_TRUE(queue.runUntil([&] { return task.isDone(); }, 3000ms));
    try {
        task.result();
        ADD_FAILURE() << "a cancelled call succeeded";
    } catch (const RemoteFailure& e) {
        ASSERT_EQ(e.kind(), RemoteFailure::Kind::transport);
        EXPECT_EQ(e.transportError()->kind(), TransportError::Kind::cancelled);
        EXPECT_EQ(e.errorDescription(), "Cancelled");
    }
}

}  // namespace
