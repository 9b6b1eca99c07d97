// The command stream over real loopback sockets: the WebSocket task, opening with the path
// fallback, running commands, folder creation and detached runs.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <random>

#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/TaskGroup.h"
#include "platform/net/URLSessionWebSocketTask.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"

namespace {

using namespace cmdstream_test;
using platform::Async;
using platform::Json;
using remote_test::failureText;
using tarvo::RemoteAPI;
using tarvo::RemoteFailure;
using tarvo::RemoteTransferError;
using tarvo::TransportError;

// The text of whatever body() throws ("" and a test failure when it succeeds).
template <class F>
std::string anyFailureText(F body) {
    return failureText<std::exception>(std::move(body));
}

std::optional<std::string> headerOf(const Json& request, const std::string& name) {
    return remote_test::recordedHeader(request, name);
}

// Task bodies for one operation. The arguments are built here, outside the coroutine: GCC 12
// mishandles braced temporaries inside a co_await expression.
auto command(RemoteAPI api, std::string cmd, std::vector<std::string> args = {}, std::string cwd = "") {
    return [api, cmd, args, cwd]() -> Async<std::string> { co_return co_await api.runCommandAndWait(cmd, args, cwd); };
}

auto detached(RemoteAPI api, std::string line, std::string cwd = "", std::map<std::string, std::string> env = {},
              Json policy = Json::object(), Json llm = Json::object()) {
    return [api, line, cwd, env, policy, llm]() -> Async<tarvo::RemoteCommandLaunchResult> {
        co_return co_await api.startCommandDetached(line, cwd, env, policy, llm);
    };
}

// ---- the platform's WebSocket task

struct CollectingDelegate : platform::URLSessionWebSocketDelegate {
    std::atomic<int> opened{0};
    std::atomic<int> completed{0};
    void didOpenWithProtocol(platform::URLSession&, platform::URLSessionWebSocketTask&,
                             const std::optional<std::string>&) override {
        ++opened;
    }
    void didCompleteWithError(platform::URLSession&, platform::URLSessionWebSocketTask&, std::exception_ptr) override {
        ++completed;
    }
};

TEST(WebSocketTask, ReassemblesFragmentsAnswersPingsAndClosesWithItsCode) {
    peer::PeerServer server;
    script(server, Json::array({Json{{"ping", "p1"}}, Json{{"fragments", {"hel", "lo ", "world"}}},
                                Json{{"fragments", {"\x01\x02", "\x03"}}, {"binary", true}},
                                Json{{"json_binary", {{"k", 1}}}}, Json{{"text", "last"}}}));
    auto session = platform::URLSession::make();
    platform::URLRequest request(*platform::URL::parse("ws://127.0.0.1:" + std::to_string(server.port()) + "/ws/cmd"));
    request.setValue("Bearer test-token", "Authorization");
    request.setValue("yes", "X-Extra");
    auto delegate = std::make_shared<CollectingDelegate>();
    auto task = platform::URLSessionWebSocketTask::make(session, request, delegate);
    task->resume();
    auto received = runTask([task]() -> Async<std::vector<platform::URLSessionWebSocketMessage>> {
        co_await task->send(platform::URLSessionWebSocketMessage::string("{}"));
        std::vector<platform::URLSessionWebSocketMessage> out;
        for (int i = 0; i < 4; ++i) out.push_back(co_await task->receive());
        co_return out;
    });
    using M = platform::URLSessionWebSocketMessage;
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0], M::string("hello world"));
    EXPECT_EQ(received[1], M::data(std::string("\x01\x02\x03")));
    EXPECT_EQ(received[2], M::data(std::string(R"({"k": 1})")));
    EXPECT_EQ(received[3], M::string("last"));
    EXPECT_EQ(delegate->opened.load(), 1);

    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    ASSERT_TRUE(testQueue().runUntil([&] {
        auto r = streamRequests(server);
        return r.size() == 1 && r[0]["ws"]["client_close_code"] == 1001;
    }, kSettleLimit)) << streamRequests(server).dump();
    const Json record = streamRequests(server)[0];
    EXPECT_EQ(record["ws"]["pongs"], Json::array({"p1"}));
    EXPECT_EQ(headerOf(record, "X-Extra"), "yes");
    EXPECT_TRUE(testQueue().runUntil([&] { return delegate->completed.load() == 1; }, kSettleLimit));
    // After the end, a receive reports it instead of waiting.
    EXPECT_EQ(anyFailureText([task]() -> Async<void> { co_await task->receive(); }), "cancelled");
}

TEST(WebSocketTask, ClosingWhileUnreadMessagesHoldTheReaderStillEndsTheTask) {
    peer::PeerServer server;
    // More messages than the task keeps unreceived (1024), so its reader stops before the
    // close. A ping just before the 1024th message shows when the reader has got that far: it
    // answers the ping in the read that brings the last message it takes.
    Json steps = Json::array();
    for (int i = 0; i < 1100; ++i) {
        if (i == 1023) steps.push_back(Json{{"ping", "full"}});
        steps.push_back(Json{{"text", "m"}});
    }
    script(server, steps);
    auto session = platform::URLSession::make();
    platform::URLRequest request(*platform::URL::parse("ws://127.0.0.1:" + std::to_string(server.port()) + "/ws/cmd"));
    request.setValue("Bearer test-token", "Authorization");
    auto delegate = std::make_shared<CollectingDelegate>();
    auto task = platform::URLSessionWebSocketTask::make(session, request, delegate);
    task->resume();
    runTask([task]() -> Async<void> { co_await task->send(platform::URLSessionWebSocketMessage::string("{}")); });
    ASSERT_TRUE(testQueue().runUntil(
        [&] {
            auto r = streamRequests(server);
            return r.size() == 1 && r[0]["ws"].value("pongs", Json::array()) == Json::array({"full"});
        },
        kSettleLimit));

    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    EXPECT_TRUE(testQueue().runUntil([&] { return delegate->completed.load() == 1; }, 5000ms));
    EXPECT_EQ(task->state(), platform::URLSessionWebSocketTask::State::completed);
}

// ---- batch writes and the frames the library writes itself

TEST(WebSocketTask, PingsThatArriveWhileABatchIsWrittenAreAnsweredBetweenWholeFrames) {
    peer::PeerServer server;
    // The server pings while it reads nothing, so the batch (more than the socket buffers hold)
    // is stuck half written when each ping arrives; a pong written then would land inside a
    // frame and break the stream.
    Json steps = Json::array();
    for (int i = 0; i < 4; ++i) {
        steps.push_back(Json{{"sleep", 0.05}});
        steps.push_back(Json{{"ping", "p" + std::to_string(i)}});
    }
    script(server, steps);
    platform::URLSessionConfiguration configuration;
    configuration.closingHandshakeTimeout = 30;  // the server reads the whole batch before the close
    auto session = platform::URLSession::make(configuration);
    platform::URLRequest request(*platform::URL::parse("ws://127.0.0.1:" + std::to_string(server.port()) + "/ws/cmd"));
    request.setValue("Bearer test-token", "Authorization");
    auto task = platform::URLSessionWebSocketTask::make(session, request);
    task->resume();
    constexpr std::size_t kMessages = 300, kBytes = 40000;
    runTask([task]() -> Async<void> {
        co_await task->send(platform::URLSessionWebSocketMessage::string("{}"));
        std::vector<platform::URLSessionWebSocketMessage> batch;
        for (std::size_t i = 0; i < kMessages; ++i) {
            batch.push_back(i % 2 ? platform::URLSessionWebSocketMessage::string(std::string(kBytes, char('a' + i % 26)))
                                  : platform::URLSessionWebSocketMessage::data(std::string(kBytes, char(i))));
        }
        co_await task->send(std::move(batch));
    });
    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    ASSERT_TRUE(testQueue().runUntil([&] {
        auto r = streamRequests(server);
        return r.size() == 1 && !r[0]["ws"]["client_close_code"].is_null();
    }, 30000ms));
    const Json record = streamRequests(server)[0]["ws"];
    EXPECT_EQ(record["client_close_code"], 1001);
    EXPECT_EQ(record["pongs"], Json::array({"p0", "p1", "p2", "p3"}));
    ASSERT_EQ(record["frames"].size(), kMessages + 1);
    for (std::size_t i = 0; i < kMessages; ++i) {
        const Json& f = record["frames"][i + 1];
        ASSERT_EQ(f["size"], kBytes) << i;
        ASSERT_EQ(f["type"], i % 2 ? "text" : "binary") << i;
    }
}

TEST(WebSocketTask, ReleasingTheLastChannelReferenceEndsTheConnection) {
    peer::PeerServer server;
    script(server, Json::array());
    auto api = streamAPI(server);
    auto channel = runTask([api]() -> Async<std::shared_ptr<tarvo::StreamChannel>> { co_return co_await api.openCmdStream(); });
    auto* concrete = dynamic_cast<tarvo::URLSessionWebSocketChannel*>(channel.get());
    ASSERT_NE(concrete, nullptr);
    auto session = concrete->ownerSession;
    EXPECT_FALSE(session->isInvalidated());
    channel.reset();
    EXPECT_TRUE(session->isInvalidated());
    EXPECT_TRUE(testQueue().runUntil([&] {
        auto r = streamRequests(server);
        return r.size() == 1 && !r[0]["ws"]["client_close_code"].is_null();
    }, kSettleLimit)) << streamRequests(server).dump();
}

TEST(WebSocketTask, SoftTimeOutsNeverLoseAMessage) {
    peer::PeerServer server;
    std::mt19937 random(11);
    Json steps = Json::array();
    constexpr int kFrames = 60;
    for (int i = 0; i < kFrames; ++i) {
        steps.push_back(Json{{"sleep", (random() % 70) / 1000.0}});
        steps.push_back(frame("stdout", {{"data", std::to_string(i) + ","}}));
    }
    steps.push_back(frame("exit", {{"code", 0}}));
    script(server, steps);
    auto api = streamAPI(server);
    // Every receive races a timer of 0.05 s (the floor) against frames 0 to 70 ms apart, so many
    // races end just as a frame arrives.
    auto result = runTask([api]() -> Async<std::pair<std::string, int>> {
        auto channel = co_await api.openCmdStream();
        const platform::Executor here = co_await platform::currentExecutor();
        tarvo::ChannelCloseGuard closer(channel, here);
        co_await channel->send("{}");
        std::string seen;
        int timeouts = 0;
        for (;;) {
            auto message = co_await tarvo::receiveCmdFrameWithSoftTimeout(channel, 0);
            if (!message) {
                ++timeouts;
                continue;
            }
            auto f = tarvo::decodeCmdFrame(*message);
            if (f->kind == tarvo::CmdStreamFrame::Kind::exit) break;
            seen += f->text;
        }
        co_return std::make_pair(seen, timeouts);
    });
    std::string expected;
    for (int i = 0; i < kFrames; ++i) expected += std::to_string(i) + ",";
    EXPECT_EQ(result.first, expected);
    EXPECT_GT(result.second, 5);
}

// ---- opening

TEST(WebSocketTask, ASendTheServerNeverTakesFailsAtTheIdleLimit) {
    peer::PeerServer server;
    // The server takes the start frame and then reads nothing more, so the client's sends back up.
    script(server, Json::array({Json{{"sleep", 60}}}));
    platform::URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = 1;
    auto streams = std::make_shared<tarvo::URLSessionStreamTransport>(configuration);
    streams->openTimeoutSeconds = 10;
    auto api = streamAPI(server, streams);
    // The idle limit's text: the open is over before the sends, and the bound below says
    // otherwise.
    const std::string text = anyFailureText([api]() -> Async<void> {
        auto channel = co_await api.openCmdStream();
        const platform::Executor here = co_await platform::currentExecutor();
        tarvo::ChannelCloseGuard closer(channel, here);
        auto sendAll = [channel]() -> Async<void> {
            const std::string chunk(1 << 20, 'x');
            for (int i = 0; i < 512; ++i) co_await channel->send(chunk);
        };
        // Bounded, so that a send that never ends fails the test instead of hanging it.
        const bool ended = co_await platform::withTimeout(std::chrono::seconds(15), sendAll());
        if (!ended) throw std::runtime_error("the stalled send never failed");
    });
    EXPECT_EQ(text, "Network error: The request timed out.");
}

TEST(CmdStream, RunsACommandWithTheStartFrameAndCredentials) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string out = runTask(command(api, "  bash \n", {"-c", "printf 'x\\n'; printf y; echo e >&2"}, "/"));
    EXPECT_EQ(out, "x\ny");
    auto records = streamRequests(server);
    ASSERT_EQ(records.size(), 1u);
    const Json& r = records[0];
    EXPECT_EQ(r["path"], "/ws/cmd");
    EXPECT_EQ(r["query"], "token=test-token");
    EXPECT_EQ(headerOf(r, "Authorization"), "Bearer test-token");
    const Json expectedStart = {{"cmd", "bash"},          {"args", {"-c", "printf 'x\\n'; printf y; echo e >&2"}},
                                {"cwd", ""},              {"paths", Json::array()},
                                {"insert_token", "{sel}"}, {"append_paths", false},
                                {"stdin", ""},            {"interactive", false}};
    EXPECT_EQ(r["ws"]["start"], expectedStart);
    EXPECT_EQ(r["ws"]["frames"].size(), 1u);  // nothing after the start frame
    EXPECT_TRUE(testQueue().runUntil([&] { return streamRequests(server)[0]["ws"]["client_close_code"] == 1001; }, kSettleLimit));
}

TEST(CmdStream, FallsBackToTheSecondEndpointAndReportsTheFirstFailure) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    auto run = command(api, "echo", {"-n", "ok"});

    server.addRule(Json{{"path", "/ws/cmd"}, {"status", 404}});
    EXPECT_EQ(runTask(run), "ok");
    auto records = streamRequests(server);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1]["path"], "/api/ws/cmd");
    EXPECT_EQ(records[1]["query"], "token=test-token");

    struct Case {
        Json first, second;
        std::string text;
    };
    const Case cases[] = {
        {{{"status", 403}}, {{"close", true}}, "Network error: The server returned a response the client cannot use."},
        {{{"close", true}}, {{"status", 500}}, "Network error: The network connection was lost."},
    };
    for (const auto& c : cases) {
        server.reset();
        Json first = c.first, second = c.second;
        first["path"] = "/ws/cmd";
        second["path"] = "/api/ws/cmd";
        server.addRule(first);
        server.addRule(second);
        auto failure = remote_test::captureFailure<RemoteFailure>(run);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind(), RemoteFailure::Kind::transport);
        EXPECT_EQ(failure->errorDescription(), c.text);
        EXPECT_EQ(streamRequests(server).size(), 2u);
    }

    // A wrong token is refused by both endpoints the same way.
    auto wrong = api;
    wrong.cfg.token = "nope";
    EXPECT_EQ(failureText<RemoteFailure>([wrong]() -> Async<void> { co_await wrong.openCmdStream(); }),
              "Network error: The server returned a response the client cannot use.");
    // Nothing listening.
    auto nowhere = streamAPI("http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()), "t");
    EXPECT_EQ(failureText<RemoteFailure>([nowhere]() -> Async<void> { co_await nowhere.openCmdStream(); }),
              "Network error: Could not connect to the server.");
    // No path at all.
    auto noPaths = [api]() -> Async<void> {
        std::vector<std::string> paths;
        std::vector<platform::URLQueryItem> query;
        co_await api.openWS(paths, query);
    };
    EXPECT_EQ(failureText<RemoteFailure>(noPaths),
              "Network error: WebSocket open failed.");
}

TEST(CmdStream, AStalledHandshakeEndsAtTheOpenLimit) {
    peer::PeerServer server;
    server.addRule(Json{{"path", "/ws/cmd"}, {"stall", true}, {"times", 0}});
    server.addRule(Json{{"path", "/api/ws/cmd"}, {"stall", true}, {"times", 0}});
    auto api = streamAPI(server, streamTransport(0.5));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failureText<RemoteFailure>([api]() -> Async<void> { co_await api.openCmdStream(); }),
              "Network error: The request timed out.");
    // Both paths waited their limit (a timer never fires early); the session's request limit of
    // a minute would have outlasted the task's own limit, which fails otherwise.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 950ms);
}

TEST(CmdStream, OpensOverTLSWithTheServerCertificateVerified) {
    peer::PeerServer::Options options;
    options.tls = true;
    peer::PeerServer server(options);
    platform::URLSessionConfiguration trusting;
    trusting.additionalTrustedCertificateFiles = {server.certificateFile()};
    auto api = streamAPI(server, std::make_shared<tarvo::URLSessionStreamTransport>(trusting));
    EXPECT_EQ(runTask(command(api, "echo", {"hi"})),
              "hi\n");
    EXPECT_EQ(streamRequests(server)[0]["query"], "token=test-token");

    auto untrusting = streamAPI(server);
    const std::string text =
        failureText<RemoteFailure>([untrusting]() -> Async<void> { co_await untrusting.openCmdStream(); });
    EXPECT_EQ(text.rfind("Network error: The certificate for this server is invalid.", 0), 0u) << text;
}

// ---- running a command

TEST(CmdStream, ServerFramesDecideTheRun) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    struct Case {
        const char* name;
        Json steps;
        std::string expected;  // the output, or the failure text after "!"
    };
    const Case cases[] = {
        {"stderr wins", {frame("stdout", {{"data", "a"}}), frame("stderr", {{"data", "boom\n"}}), frame("stdout", {{"data", "b"}}), frame("exit", {{"code", 2}})}, "!Upload failed: exit 2: boom"},
        {"silent failure", {frame("exit", {{"code", 1}})}, "!Upload failed: exit 1: unknown"},
        {"chunks joined", {frame("stdout", {{"data", "x\n"}}), frame("stdout", {{"data", "y"}}), frame("exit", {{"code", 0}})}, "x\ny"},
        {"code as text", {frame("exit", {{"code", "3"}})}, "!Upload failed: exit 3: unknown"},
        {"code missing", {frame("stdout", {{"data", "m"}}), frame("exit")}, "m"},
        {"code null", {frame("exit", {{"code", nullptr}})}, ""},
        {"code too large", {frame("exit", {{"code", 1e300}})}, "!Upload failed: exit 9223372036854775807: unknown"},
        {"run meta", {frame("meta", {{"run_id", "r1"}, {"log_path", "/tmp/l"}}), frame("exit", {{"code", 5}})}, "!Upload failed: exit 5: run_id=r1 log=/tmp/l"},
        {"blank run id", {frame("meta", {{"run_id", "  "}, {"data", "d"}}), frame("exit", {{"code", 1}})}, "!Upload failed: exit 1: d"},
        {"error frame", {frame("error", {{"data", "disk full"}}), frame("exit", {{"code", 0}})}, "!Server error: disk full"},
        {"error without data", {frame("error")}, "!Server error: unknown error"},
        {"ignored frames", {frame("progress", {{"data", "50%"}}), Json{{"text", "[1,2]"}}, frame("stdout", {{"data", "ok"}}), frame("exit", {{"code", 0}})}, "ok"},
        {"not JSON", {frame("stdout", {{"data", "a"}}), Json{{"text", "garbage"}}}, "!The data couldn't be read because it isn't in the correct format."},
        {"binary frames", {Json{{"json_binary", {{"stream", "stdout"}, {"data", "b"}}}}, Json{{"json_binary", {{"stream", "exit"}, {"code", 0}}}}}, "b"},
    };
    for (const auto& c : cases) {
        script(server, c.steps);
        auto run = command(api, "true");
        if (c.expected.rfind("!", 0) == 0) {
            EXPECT_EQ(anyFailureText(run), c.expected.substr(1)) << c.name;
        } else {
            EXPECT_EQ(runTask(run), c.expected) << c.name;
        }
    }
}

// The result is all the command printed, up to 64 KiB; past that there is no result, only an
// error, whatever the exit would have been.
TEST(CmdStream, OutputIsWholeUpToItsBoundAndAnErrorPastIt) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string tooLong = "Upload failed: command output is longer than 64 KiB";
    const std::string half(32 * 1024, 'a');
    script(server, {frame("stdout", {{"data", half}}), frame("stdout", {{"data", half}}), frame("exit", {{"code", 0}})});
    EXPECT_EQ(runTask(command(api, "true")), half + half);
    script(server, {frame("stdout", {{"data", half}}), frame("stdout", {{"data", half + "b"}}), frame("exit", {{"code", 0}})});
    EXPECT_EQ(anyFailureText(command(api, "true")), tooLong);
    // Standard error is no result: only its end is kept, for a failure's detail.
    script(server, {frame("stderr", {{"data", half + half + half}}), frame("stdout", {{"data", "ok"}}),
                    frame("exit", {{"code", 0}})});
    EXPECT_EQ(runTask(command(api, "true")), "ok");

    // Real processes: exactly the bound, one byte more, and a megabyte before a failing exit.
    EXPECT_EQ(runTask(command(api, "bash", {"-c", "head -c 65536 /dev/zero | tr '\\0' x"})), std::string(65536, 'x'));
    EXPECT_EQ(anyFailureText(command(api, "bash", {"-c", "head -c 65537 /dev/zero | tr '\\0' x"})), tooLong);
    EXPECT_EQ(anyFailureText(command(api, "bash", {"-c", "head -c 1000000 /dev/zero | tr '\\0' y; exit 3"})), tooLong);
}

TEST(CmdStream, RealProcessesReportTheirExitAndOutput) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    EXPECT_EQ(anyFailureText(command(api, "bash", {"-c", "echo partial; echo 'it broke' >&2; exit 7"})),
              "Upload failed: exit 7: it broke");
    // A binary-frame server is read the same way.
    server.addRule(Json{{"path", "/ws/cmd"}, {"binary_frames", true}});
    EXPECT_EQ(runTask(command(api, "echo", {"bin"})),
              "bin\n");
}

TEST(CmdStream, TimeLimitsAndLostConnections) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    api.cmdStreamLimits.commandSeconds = 0.3;
    script(server, Json::array());  // the server never answers
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(anyFailureText(command(api, "true")),
              "Network error: Command timed out.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, kShortLimitBound) << "the 20 s limit decided";

    // A real command whose exit frame never comes.
    server.addRule(Json{{"path", "/ws/cmd"}, {"suppress_exit", true}});
    EXPECT_EQ(anyFailureText(command(api, "echo", {"x"})),
              "Network error: Command timed out.");

    api.cmdStreamLimits.commandSeconds = 20;
    script(server, {frame("stdout", {{"data", "a"}}), Json{{"close", 1011}, {"reason", "bye"}}});
    EXPECT_EQ(anyFailureText(command(api, "true")),
              "Network error: Socket is not connected");
    script(server, {frame("stdout", {{"data", "a"}}), Json{{"drop", true}}});
    EXPECT_EQ(anyFailureText(command(api, "true")),
              "Network error: The network connection was lost.");
}

TEST(CmdStream, CancellingARunClosesItsChannel) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    // Beyond the wait below: only the cancellation can interrupt the pending receive in time.
    api.cmdStreamLimits.receiveSeconds = 25;
    platform::MainQueue& queue = remote_test::testQueue();  // outlives late network completions
    auto task = platform::startTask(queue.executor(), command(api, "sleep", {"30"}));
    // The start frame has reached the server: the run is waiting for its output.
    ASSERT_TRUE(queue.runUntil(
        [&] {
            auto r = streamRequests(server);
            return !r.empty() && !r[0]["ws"]["start"].is_null();
        },
        10000ms));
    task.cancel();
    ASSERT_TRUE(queue.runUntil([&] { return task.isDone(); }, 15000ms));
    try {
        task.result();
        ADD_FAILURE() << "no error";
    } catch (const TransportError& e) {
        EXPECT_EQ(e.kind(), TransportError::Kind::cancelled);
    } catch (const platform::CancellationError&) {
    }
    EXPECT_TRUE(testQueue().runUntil([&] { return streamRequests(server)[0]["ws"]["client_close_code"] == 1001; }, kSettleLimit));
}

TEST(CmdStream, BlankCommandsAndEmptyFoldersNeverOpenAStream) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    EXPECT_EQ(failureText<RemoteFailure>(command(api, " \n\t")),
              "Server error: Missing command.");
    EXPECT_EQ(failureText<RemoteFailure>(detached(api, "  ")),
              "Server error: Missing command.");
    for (const char* path : {"/", "./..", "", " / "}) {
        EXPECT_EQ(failureText<RemoteTransferError>([api, path]() -> Async<void> { co_await api.createDirectory(path); }),
                  "Invalid destination path.")
            << path;
    }
    EXPECT_TRUE(streamRequests(server).empty());
}

TEST(CmdStream, CreatesADirectoryRelativeToTheServerFolder) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    runTask([api]() -> Async<void> { co_await api.createDirectory("/a/b/"); });
    EXPECT_TRUE(std::filesystem::is_directory(server.filesRoot() + "/a/b"));
    const Json start = streamRequests(server)[0]["ws"]["start"];
    EXPECT_EQ(start["cmd"], "mkdir");
    EXPECT_EQ(start["args"], Json::array({"-p", "--", "a/b"}));
    EXPECT_EQ(start["cwd"], "");
}

// ---- detached runs

TEST(DetachedRun, ReturnsTheRunAndLeavesItRunning) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    std::filesystem::create_directories(server.filesRoot() + "/logs");
    auto launched = runTask(detached(api, "  sleep 0.3; echo \"$GREETING from $(basename \"$PWD\")\" \n", "/logs/",
                                     {{"GREETING", "hi"}}, Json{{"job_id", "j1"}, {"notify", {{"on", {"done"}}}}}));
    EXPECT_EQ(launched.runID.rfind("run-", 0), 0u);
    ASSERT_TRUE(launched.logPath);
    const Json start = streamRequests(server)[0]["ws"]["start"];
    const Json expected = {{"cmd", "bash"},
                           {"args", Json::array()},
                           {"cwd", "logs"},
                           {"paths", Json::array()},
                           {"insert_token", "{sel}"},
                           {"append_paths", false},
                           {"stdin", ""},
                           {"interactive", false},
                           {"shell", true},
                           {"shell_line", "sleep 0.3; echo \"$GREETING from $(basename \"$PWD\")\""},
                           {"persist", true},
                           {"from_beginning", true},
                           {"env", {{"GREETING", "hi"}}},
                           {"run_policy", {{"job_id", "j1"}, {"notify", {{"on", {"done"}}}}}}};
    EXPECT_EQ(start, expected);
    // The client is gone by now; the run finishes on its own.
    EXPECT_TRUE(testQueue().runUntil([&] { return readFile(*launched.logPath) == "hi from logs\n"; }, kSettleLimit)) << readFile(*launched.logPath);

    // Nothing optional: exactly the twelve fixed keys.
    runTask(detached(api, "true", "", {}, Json::object(), nullptr));
    EXPECT_EQ(streamRequests(server)[1]["ws"]["start"].size(), 12u);
}

TEST(DetachedRun, FailsWhenTheRunEndsOrNeverReportsItself) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    auto start = [api](std::string line) { return detached(api, line); };
    // A real run that is over before the server names it.
    server.addRule(Json{{"path", "/ws/cmd"}, {"meta_delay", 1.5}});
    EXPECT_EQ(anyFailureText(start("echo hello; exit 3")),
              "Upload failed: command exited before run metadata arrived (exit 3): hello");

    struct Case {
        Json steps;
        std::string text;
    };
    const Case cases[] = {
        {{frame("stdout", {{"data", "a\n"}}), frame("stderr", {{"data", " b "}}), frame("meta", {{"data", "  "}}), frame("exit", {{"code", 1}})},
         "Upload failed: command exited before run metadata arrived (exit 1): b"},
        {{frame("exit", {{"code", 0}})}, "Upload failed: command exited before run metadata arrived (exit 0): "},
        {{frame("meta", {{"run_id", ""}, {"data", "queued"}}), frame("error", {{"data", "no slots"}})}, "Server error: no slots"},
    };
    for (const auto& c : cases) {
        script(server, c.steps);
        EXPECT_EQ(anyFailureText(start("true")), c.text);
    }

    // Metadata first: the call returns at once with it.
    script(server, {frame("meta", {{"run_id", " r7 "}})});
    auto launched = runTask(detached(api, "x"));
    EXPECT_EQ(launched, (tarvo::RemoteCommandLaunchResult{" r7 ", std::nullopt}));

    // A run that never names itself, with the limit shortened.
    auto quick = api;
    quick.cmdStreamLimits.runMetadataSeconds = 0.4;
    server.addRule(Json{{"path", "/ws/cmd"}, {"suppress_meta", true}});
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(anyFailureText(detached(quick, "sleep 5")),
              "Network error: Timed out waiting for durable run metadata.");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, kShortLimitBound) << "the 10 s limit decided";
}

}  // namespace
