// The public clients against a server that misbehaves on purpose (tests/peer/raw_peer.py, every
// byte chosen), over real loopback sockets: each case ends by what the server did rather than by a
// time limit, with a text that says what happened, and nothing the server sends makes the client
// keep an unbounded amount. How long the cases take is measured in bench/remote/HostilePeerBench.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>

#include "Core/DisplayText.h"
#include "Core/ReceptionistClient.h"
#include "TarvoShareExtension/Remote/RemoteReply.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "platform/foundation/Text.h"
#include "platform/net/URLSessionWebSocketTask.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"
#include "tests/peer/RawPeer.h"

namespace {

using namespace std::chrono_literals;
using platform::Async;
using platform::Json;
using remote_test::failureText;
using remote_test::runTask;
using Clock = std::chrono::steady_clock;

constexpr double kClosingSeconds = 0.3;
// The sessions' request limit in the closing cases: far beyond the closing limit, and beyond
// kStateBound, so a handshake that has ended within the bound was ended by the closing limit.
constexpr double kRequestSeconds = 30;
// How long a test waits for a state before it gives up: a bound for a fault, never a figure.
constexpr auto kStateBound = 20s;
const std::string kEllipsis = "\u2026";

// Stream channels whose sessions have a short closing handshake and an idle limit far below the
// default, so a regression fails the test instead of stalling it for a minute.
std::shared_ptr<tarvo::URLSessionStreamTransport> quickStreams() {
    platform::URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = 8;
    configuration.closingHandshakeTimeout = kClosingSeconds;
    auto streams = std::make_shared<tarvo::URLSessionStreamTransport>(configuration);
    streams->openTimeoutSeconds = 5;
    return streams;
}

tarvo::RemoteAPI apiFor(const peer::RawPeer& peer, const std::string& act) {
    return cmdstream_test::streamAPI(peer.urlFor(act), "t", quickStreams());
}

struct Delegate : platform::URLSessionWebSocketDelegate {
    std::atomic<int> closeCode{0};
    void didCloseWith(platform::URLSession&, platform::URLSessionWebSocketTask&,
                      platform::URLSessionWebSocketCloseCode code, const std::optional<std::string>&) override {
        closeCode = static_cast<int>(code);
    }
    void didCompleteWithError(platform::URLSession&, platform::URLSessionWebSocketTask&, std::exception_ptr) override {
        {
            std::lock_guard lock(mutex);
            completed = true;
        }
        changed.notify_all();
    }
    // Waits until the task has completed, at most kStateBound.
    bool waitForCompletion() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, kStateBound, [this] { return completed; });
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool completed = false;
};

struct OpenTask {
    std::shared_ptr<platform::URLSessionWebSocketTask> task;
    std::shared_ptr<Delegate> delegate;
};

OpenTask openTask(const peer::RawPeer& peer, const std::string& act) {
    platform::URLSessionConfiguration configuration;
    configuration.timeoutIntervalForRequest = kRequestSeconds;
    configuration.closingHandshakeTimeout = kClosingSeconds;
    auto session = platform::URLSession::make(configuration);
    auto delegate = std::make_shared<Delegate>();
    auto task = platform::URLSessionWebSocketTask::make(
        session, platform::URLRequest(*platform::URL::parse(peer.webSocketURLFor(act))), delegate);
    task->resume();
    return {task, delegate};
}

const std::string kLost = "The network connection was lost.";
const std::string kNotConnected = "Socket is not connected";
const std::string kTooLong = "Message too long";

struct FrameCase {
    std::string act;
    std::string text;  // the platform's text for a receive
};

const FrameCase kFrameCases[] = {
    {"rsv", kLost},      {"opcode", kLost},     {"fragping", kLost},   {"bigping", kLost},
    {"orphancont", kLost}, {"badutf8", kLost},  {"toplen", kTooLong},  {"close", kNotConnected},
};

TEST(HostilePeer, APendingReceiveEndsAtOnceOnAnInvalidFrameOrAClose) {
    peer::RawPeer peer;
    for (const auto& c : kFrameCases) {
        auto [task, delegate] = openTask(peer, c.act);
        // The frame's text, not the request limit's: the frame ended the receive.
        const std::string received = failureText<std::exception>([task]() -> Async<void> { co_await task->receive(); });
        EXPECT_EQ(received, c.text) << c.act;
        // A send after the end fails the same way.
        const std::string sent = failureText<std::exception>([task]() -> Async<void> {
            co_await task->send(platform::URLSessionWebSocketMessage::string("late"));
        });
        EXPECT_EQ(sent, c.text) << c.act;
        // The server holds the connection open and never answers: the closing handshake still
        // ends, at its own limit (the request limit lies beyond the wait).
        EXPECT_TRUE(delegate->waitForCompletion()) << c.act;
        EXPECT_EQ(task->state(), platform::URLSessionWebSocketTask::State::completed) << c.act;
        if (c.act == "close") {
            EXPECT_EQ(delegate->closeCode.load(), 1000);
        }
    }
}

TEST(HostilePeer, OurCloseEndsAtTheClosingLimitWhenTheServerNeverAnswers) {
    peer::RawPeer peer;
    auto [task, delegate] = openTask(peer, "silent");
    runTask([task]() -> Async<void> { co_await task->send(platform::URLSessionWebSocketMessage::string("{}")); });
    const auto start = Clock::now();
    task->cancel(platform::URLSessionWebSocketCloseCode::goingAway, std::nullopt);
    // Ended by the closing limit: the request limit lies beyond the wait.
    EXPECT_TRUE(delegate->waitForCompletion());
    // A timer never fires early, however busy the machine: the server was given its time.
    EXPECT_GE(Clock::now() - start, 250ms);
}

// ---- the command stream, detached runs and the upload engine

using Operation = std::function<Async<std::string>(tarvo::RemoteAPI)>;

Async<std::string> runTrue(tarvo::RemoteAPI api) {
    co_return co_await api.runCommandAndWait("true", {}, "");
}

Async<std::string> startDetached(tarvo::RemoteAPI api) {
    auto launched = co_await api.startCommandDetached("sleep 1", "", {}, Json::object(), Json::object());
    co_return launched.runID;
}

struct UploadFile {
    std::string path;
    explicit UploadFile(std::size_t size) {
        path = (std::filesystem::temp_directory_path() /
                ("tarvo-hostile-" + std::to_string(::getpid()) + "-" + std::to_string(size))).string();
        remote_test::writePatternFile(path, size);
    }
    ~UploadFile() { std::filesystem::remove(path); }
};

TEST(HostilePeer, CmdStreamOperationsEndWithTheRightErrorLongBeforeTheirLimits) {
    peer::RawPeer peer;
    UploadFile small(100000);
    // Large enough that the socket buffers fill and a send is pending when the server closes.
    UploadFile large(std::size_t(48) << 20);
    auto upload = [](const std::string& path) -> Operation {
        return [path](tarvo::RemoteAPI api) -> Async<std::string> {
            co_return co_await cmdstream_test::testEnvironment().remoteTransfer.uploadLocalFileStreaming(
                api, platform::URL::fileURL(path), "in", std::nullopt, std::nullopt, nullptr);
        };
    };
    struct Case {
        std::string act;
        std::string operation;
        Operation run;
        std::string text;
    };
    const std::string lost = "Network error: " + kLost;
    const std::string notConnected = "Network error: " + kNotConnected;
    const Case cases[] = {
        {"rsv", "command", runTrue, lost},
        {"opcode", "command", runTrue, lost},
        {"toplen", "command", runTrue, "Network error: " + kTooLong},
        {"fragping", "command", runTrue, lost},
        {"bigping", "command", runTrue, lost},
        {"orphancont", "command", runTrue, lost},
        {"badutf8", "command", runTrue, lost},
        {"close", "command", runTrue, notConnected},
        {"badutf8", "detached", startDetached, lost},
        {"close", "detached", startDetached, notConnected},
        {"rsv", "upload", upload(small.path), lost},
        {"close", "upload", upload(small.path), notConnected},
        // The server closes once the client's sends have backed up, and never reads again.
        {"closenoread", "upload", upload(large.path), notConnected},
    };
    // Each text is the server's doing; a limit would have said "timed out".
    for (const auto& c : cases) {
        auto api = apiFor(peer, c.act);
        const std::string o = failureText<std::exception>([api, run = c.run]() { return run(api); });
        EXPECT_EQ(o, c.text) << c.operation << " " << c.act;
    }
}

// A command's output past its bound is no result: the run fails as soon as the bound is passed,
// whether the output would have ended or not.
TEST(HostilePeer, OutputPastItsBoundFailsAtOnce) {
    // Output without end would otherwise run into the command's time limit.
    peer::RawPeer peer;
    for (const char* act : {"flood", "floodexit"}) {
        auto api = apiFor(peer, act);
        api.cmdStreamLimits.commandSeconds = 10;
        const std::string o = failureText<std::exception>([api]() { return runTrue(api); });
        EXPECT_EQ(o, "Upload failed: command output is longer than 64 KiB") << act;
    }
}

TEST(HostilePeer, AHugeMetaValueIsDescribedBriefly) {
    peer::RawPeer peer;
    for (const char* act : {"nested", "wide"}) {
        auto api = apiFor(peer, act);
        const std::string o = failureText<std::exception>([api]() { return runTrue(api); });
        // The meta text is the only output, so it becomes the failure's detail, cut to its end.
        EXPECT_EQ(o.rfind("Upload failed: exit 3: " + kEllipsis, 0), 0u) << act << ": " << o.substr(0, 80);
        EXPECT_LE(platform::text::graphemeCount(o), 23 + tarvo::kDisplayTextLimit) << act;
    }
}

// ---- the bounds themselves

TEST(HostilePeerBounds, OutputKeepsItsEndWholeCharactersAndOneMark) {
    constexpr std::size_t kept = tarvo::CmdStreamOutput::kKeptBytes;
    std::string small;
    tarvo::appendKeepingEnd(small, "ab");
    tarvo::appendKeepingEnd(small, "c");
    EXPECT_EQ(small, "abc");

    std::string accents;
    for (std::size_t i = 0; i < kept; ++i) accents += "\u00E9";  // two bytes each
    for (const bool piecewise : {false, true}) {
        std::string text = "start ";
        if (piecewise) {
            for (std::size_t i = 0; i < accents.size(); i += 999) tarvo::appendKeepingEnd(text, accents.substr(i, 999));
        } else {
            tarvo::appendKeepingEnd(text, accents);
        }
        tarvo::appendKeepingEnd(text, "end");
        EXPECT_EQ(text.rfind(kEllipsis, 0), 0u) << piecewise;
        EXPECT_EQ(text.find(kEllipsis, 1), std::string::npos) << piecewise;
        EXPECT_TRUE(platform::text::isValidUTF8(text)) << piecewise;
        EXPECT_LE(text.size(), kept + kEllipsis.size()) << piecewise;
        EXPECT_GE(text.size(), kept) << piecewise;
        EXPECT_EQ(text.substr(text.size() - 5), "\u00E9end") << piecewise;
    }
}

TEST(HostilePeerBounds, DescriptionsStopAtTheirLimitAndStayExact) {
    EXPECT_EQ(tarvo::describeJsonValue(Json::parse(R"([1, "a b", {"k": []}])")),
              "(\n    1,\n    \"a b\",\n    {\n        k = (\n        );\n    }\n)");
    std::string accents;
    for (int i = 0; i < 5000; ++i) accents += "\u00E9";
    const std::string cut = tarvo::describeJsonValue(Json::array({accents}), 1001);
    EXPECT_TRUE(platform::text::isValidUTF8(cut));
    EXPECT_LE(cut.size(), 1001 + kEllipsis.size());
    EXPECT_EQ(cut.substr(cut.size() - kEllipsis.size()), kEllipsis);

    // A "data" far larger than any description: the decoder keeps only its first values, and
    // says exactly what a full parse would have said.
    std::string wide = "[";
    for (int i = 0; i < 200000; ++i) wide += i ? ",[]" : "[]";
    wide += "]";
    const std::string frame = R"({"junk":)" + wide + R"(,"stream":"meta","data":)" + wide + "}";
    const auto decoded = tarvo::decodeCmdFrame(platform::URLSessionWebSocketMessage::string(frame));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, tarvo::describeJsonValue(Json::parse(wide)));
    EXPECT_EQ(decoded->text.substr(decoded->text.size() - kEllipsis.size()), kEllipsis);
    const std::string small = R"({"junk":)" + wide + R"(,"stream":"meta","data":[1,[2]]})";
    EXPECT_EQ(tarvo::decodeCmdFrame(platform::URLSessionWebSocketMessage::string(small))->text,
              "(\n    1,\n    (\n        2\n    )\n)");
}

TEST(HostilePeerBounds, AServerMessageOfOneEndlessCharacterIsCutToo) {
    std::string marks = "{\"error\": \"a";
    for (int i = 0; i < (1 << 19); ++i) marks += "\u0301";
    marks += "\"}";
    const tarvo::HTTPResponse reply{500, {}, std::vector<std::uint8_t>(marks.begin(), marks.end())};
    try {
        tarvo::throwIfServerError(reply);
        ADD_FAILURE() << "no error";
    } catch (const tarvo::RemoteFailure& e) {
        EXPECT_EQ(e.kind(), tarvo::RemoteFailure::Kind::server);
        EXPECT_LE(e.serverMessage().size(), 32 * tarvo::kDisplayTextLimit + kEllipsis.size());
        EXPECT_LE(e.errorDescription().size(), 32 * tarvo::kDisplayTextLimit + 64);
    }
    const std::vector<std::uint8_t> body(marks.begin(), marks.end());
    try {
        tarvo::ReceptionistClient::decodeEmitReply(500, body);
        ADD_FAILURE() << "no error";
    } catch (const tarvo::ReceptionistClientError& e) {
        EXPECT_LE(e.text().size(), 32 * tarvo::kDisplayTextLimit + kEllipsis.size());
    }
}

// ---- the REST client and the emit client

TEST(HostilePeer, AnEnormousServerMessageIsCutForThePerson) {
    peer::RawPeer peer;
    const std::string cut = std::string(tarvo::kDisplayTextLimit, 'E') + kEllipsis;

    auto api = remote_test::makeAPI(peer.urlFor("bigerror"), "t");
    const std::string listed = failureText<std::exception>([api]() -> Async<void> { co_await api.list("/"); });
    EXPECT_EQ(listed, "Server error: " + cut);

    UploadFile file(1000);
    auto emit = [&file](const std::string& base, std::shared_ptr<platform::URLSession> session) {
        return [base, path = file.path, session]() -> Async<tarvo::EmitHTTPResponse> {
            co_return co_await tarvo::ReceptionistClient::emitFile(
                session, *platform::URL::parse(base), std::nullopt, platform::URL::fileURL(path), "f", "d", "k",
                "text/plain", "a", std::nullopt, std::nullopt, nullptr);
        };
    };
    try {
        runTask(emit(peer.urlFor("bigerror"), platform::URLSession::make()));
        ADD_FAILURE() << "no error";
    } catch (const tarvo::ReceptionistClientError& e) {
        const std::string body = "{\"error\": \"" + std::string(tarvo::kDisplayTextLimit - 11, 'E') + kEllipsis;
        EXPECT_EQ(e.text(), body);
        EXPECT_EQ(e.errorDescription(), "Receptionist HTTP 500: " + body);
    }

    // The caller's session, with its own limit, carries the emit: a default session's minute
    // would outlast the task's limit, which says so in another text.
    const std::string stalled =
        failureText<std::exception>(emit(peer.urlFor("stall"), remote_test::sessionWithTimeout(0.5)));
    EXPECT_EQ(stalled, "The request timed out.");
}

}  // namespace
