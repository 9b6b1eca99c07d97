// The command stream's pure rules: frame decoding, exit codes, paths and file names, failure
// details, and the server-side writer program run on its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include "TarvoShareExtension/Remote/CmdStream.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "platform/foundation/Json.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"

extern char** environ;

namespace {

using platform::Json;
using tarvo::CmdStreamFrame;
using tarvo::decodeCmdFrame;
using tarvo::StreamMessage;
using cmdstream_test::runTask;
using cmdstream_test::listing;
using namespace std::chrono_literals;

std::optional<CmdStreamFrame> decodeText(const std::string& text) { return decodeCmdFrame(StreamMessage::string(text)); }

TEST(CmdStreamRules, DecodesEveryFrameKind) {
    struct Case {
        const char* json;
        std::optional<CmdStreamFrame> expected;
    };
    const Case cases[] = {
        {R"({"stream":"stdout","data":"a\n"})", CmdStreamFrame::standardOutput("a\n")},
        {R"({"stream":"stdout","data":5})", CmdStreamFrame::standardOutput("")},
        {R"({"stream":"stderr"})", CmdStreamFrame::standardError("")},
        {R"({"stream":"meta","data":"m"})", CmdStreamFrame::meta("m")},
        {R"({"stream":"meta"})", CmdStreamFrame::meta("")},
        {R"({"stream":"meta","data":42})", CmdStreamFrame::meta("42")},
        {R"({"stream":"meta","data":true})", CmdStreamFrame::meta("1")},
        {R"({"stream":"meta","data":null})", CmdStreamFrame::meta("<null>")},
        {R"({"stream":"meta","data":[1,"a b"]})", CmdStreamFrame::meta("(\n    1,\n    \"a b\"\n)")},
        {R"({"stream":"meta","data":{"k":"v"}})", CmdStreamFrame::meta("{\n    k = v;\n}")},
        {R"({"stream":"meta","run_id":"r1","log_path":"/tmp/l"})", CmdStreamFrame::runMeta("r1", "/tmp/l")},
        {R"({"stream":"meta","run_id":" r2 ","log_path":7})", CmdStreamFrame::runMeta(" r2 ", std::nullopt)},
        {R"({"stream":"meta","run_id":"  \n","data":"plain"})", CmdStreamFrame::meta("plain")},
        {R"({"stream":"meta","run_id":3,"data":"x"})", CmdStreamFrame::meta("x")},
        {R"({"stream":"error","data":"boom"})", CmdStreamFrame::error("boom")},
        {R"({"stream":"error"})", CmdStreamFrame::error("unknown error")},
        {R"({"stream":"exit","code":2})", CmdStreamFrame::exit(2)},
        {R"({"stream":"exit","code":"3"})", CmdStreamFrame::exit(3)},
        {R"({"stream":"exit"})", CmdStreamFrame::exit(0)},
        {R"({"stream":"exit","code":null})", CmdStreamFrame::exit(0)},
        {R"({"stream":"Exit","code":1})", std::nullopt},
        {R"({"stream":"progress","data":"x"})", std::nullopt},
        {R"({"data":"x"})", std::nullopt},
        {R"({"stream":1})", std::nullopt},
        {R"([{"stream":"exit","code":1}])", std::nullopt},
        {R"("stdout")", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.json), c.expected) << c.json;
    }
}

TEST(CmdStreamRules, BinaryMessagesDecodeLikeTextAndJunkThrows) {
    EXPECT_EQ(decodeCmdFrame(StreamMessage::data(std::string(R"({"stream":"exit","code":4})"))), CmdStreamFrame::exit(4));
    EXPECT_THROW(decodeText("not json"), platform::JsonParseError);
    EXPECT_THROW(decodeText(""), platform::JsonParseError);
    EXPECT_THROW(decodeCmdFrame(StreamMessage::data(std::string("{\"stream\":\"stdout\",\"data\":\"\xff\"}"))),
                 platform::JsonParseError);
}

TEST(CmdStreamRules, ExitCodesAreReadWithoutOverflow) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        const char* code;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"7", 7},
        {"-1", -1},
        {"2.9", 2},
        {"-2.9", -2},
        {"1e300", kMax},
        {"-1e300", kMin},
        {"18446744073709551615", kMax},
        {"9223372036854775807", kMax},
        {"-9223372036854775808", kMin},
        {"99999999999999999999999", kMax},
        {"\"42\"", 42},
        {"\"+5\"", 5},
        {"\"-0\"", 0},
        {"\" 5\"", 0},
        {"\"5 \"", 0},
        {"\"\"", 0},
        {"\"-\"", 0},
        {"\"3.5\"", 0},
        {"\"9223372036854775807\"", kMax},
        {"\"-9223372036854775808\"", kMin},
        {"\"9223372036854775808\"", 0},
        {"\"-9223372036854775809\"", 0},
        {"\"99999999999999999999999\"", 0},
        {"true", 0},
        {"[1]", 0},
        {"{}", 0},
    };
    for (const auto& c : cases) {
        const Json v = platform::parseJson(c.code);
        EXPECT_EQ(tarvo::readExitCode(&v), c.expected) << c.code;
    }
    EXPECT_EQ(tarvo::readExitCode(nullptr), 0);
}

TEST(CmdStreamRules, CommandPathsAreMadeRelative) {
    const std::pair<const char*, const char*> cases[] = {
        {" /srv/./app/../logs/ ", "srv/app/logs"},
        {"/", ""},
        {"", ""},
        {"a//b", "a/b"},
        {"a/ b /c", "a/b/c"},
        {"./..", ""},
        {"/a/b/", "a/b"},
        {" / photos//./2024/../raw/", "photos/2024/raw"},
        {"\n\t/x/\n", "x"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(tarvo::normalizeCommandPath(in), out) << in;
        EXPECT_EQ(tarvo::RemoteTransfer::normalizeRelPath(in), out) << in;
    }
}

TEST(CmdStreamRules, SafeFileNames) {
    using tarvo::RemoteTransfer;
    const std::pair<std::string, std::string> cases[] = {
        {"report.pdf", "report.pdf"},
        {"", "shared.bin"},
        {"..", "shared.bin"},
        {".", "shared.bin"},
        {"/", "shared.bin"},
        {"  ", "shared.bin"},
        {"dir/sub/file.txt", "file.txt"},
        {"dir/sub/", "sub"},
        {" name with spaces.txt ", "name with spaces.txt"},
        {std::string("a\0b", 3), "ab"},
        {std::string("\0", 1), "shared.bin"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(RemoteTransfer::safeFileName(in), out) << in;
}

TEST(CmdStreamRules, FailureDetailPrefersStderrThenStdoutThenMeta) {
    tarvo::CmdStreamOutput out;
    EXPECT_EQ(out.failureDetail(), "unknown");
    out.append(CmdStreamFrame::runMeta("r9", "/var/log/r9"));
    EXPECT_EQ(out.failureDetail(), "run_id=r9 log=/var/log/r9");
    out.append(CmdStreamFrame::standardOutput(" said \n"));
    out.append(CmdStreamFrame::standardError(" \n\t"));
    EXPECT_EQ(out.failureDetail(), "said");
    out.append(CmdStreamFrame::standardError("boom\n"));
    EXPECT_EQ(out.failureDetail(), "boom");

    tarvo::CmdStreamOutput noLog;
    noLog.append(CmdStreamFrame::runMeta("r1", ""));
    noLog.append(CmdStreamFrame::meta("+m"));
    EXPECT_EQ(noLog.meta, "run_id=r1+m");
}

TEST(CmdStreamRules, OpenGateRemembersTheFirstEventOnly) {
    using tarvo::WebSocketOpenGate;
    // An event before anyone waits is kept; a later one changes nothing.
    auto gate = WebSocketOpenGate::make();
    gate->finish(nullptr);
    gate->finish(std::make_exception_ptr(std::runtime_error("late")));
    // A limit beyond the task's own: had the wait gone on to it, the task would have failed.
    EXPECT_NO_THROW(runTask([gate]() -> platform::Async<void> { co_await gate->waitOpen(600); }));

    auto closed = WebSocketOpenGate::make();
    closed->finish(std::make_exception_ptr(tarvo::WebSocketOpenDelegate::closeError(1008, "policy")));
    try {
        runTask([closed]() -> platform::Async<void> { co_await closed->waitOpen(30); });
        ADD_FAILURE() << "no error";
    } catch (const platform::NSError& e) {
        EXPECT_EQ(e.domain(), "WebSocketClose");
        EXPECT_EQ(e.code(), 1008);
        EXPECT_EQ(e.localizedDescription(), "Closed (1008) policy");
        EXPECT_EQ(tarvo::streamTransportError(std::current_exception(), false).errorDescription(),
                  "Network error: Closed (1008) policy");
    }
    EXPECT_EQ(tarvo::WebSocketOpenDelegate::closeError(1000, std::nullopt).localizedDescription(), "Closed (1000)");
    EXPECT_EQ(tarvo::WebSocketOpenDelegate::closeError(1001, std::string("\xff\xfe")).localizedDescription(),
              "Closed (1001)");
}

TEST(CmdStreamRules, OpenGateTimesOutAfterAtLeastTheFloor) {
    for (double limit : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        auto gate = tarvo::WebSocketOpenGate::make();
        const auto start = std::chrono::steady_clock::now();
        try {
            runTask([gate, limit]() -> platform::Async<void> { co_await gate->waitOpen(limit); });
            ADD_FAILURE() << "no time-out";
        } catch (const platform::URLError& e) {
            EXPECT_EQ(e.urlCode(), platform::URLError::timedOut);
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, 190ms);  // a timer never fires early, however busy the machine
        EXPECT_LT(waited, cmdstream_test::kShortLimitBound) << "no floor: the wait ran on to another limit";
    }
    // A completion without an error is no event; the open still ends with the time-out.
    auto gate = tarvo::WebSocketOpenGate::make();
    tarvo::WebSocketOpenDelegate delegate(gate);
    auto session = platform::URLSession::make();
    auto task = platform::URLSessionWebSocketTask::make(session, platform::URLRequest(*platform::URL::parse("ws://127.0.0.1:1/")));
    delegate.didCompleteWithError(*session, *task, nullptr);
    EXPECT_FALSE(gate->isFinished());
    delegate.didOpenWithProtocol(*session, *task, std::nullopt);
    EXPECT_TRUE(gate->isFinished());
}

// ---- the writer program, run as the server runs it

struct WriterRun {
    int exitCode = -1;
    std::string stderrText;
};

WriterRun runWriter(const std::string& dir, const std::string& dest, const std::string& input) {
    const std::string inPath = dir + "/.input";
    const std::string errPath = dir + "/.stderr";
    { std::ofstream(inPath, std::ios::binary) << input; }
    const std::string script = tarvo::RemoteTransfer::writerScript();
    std::vector<std::string> argv = {TARVO_PYTHON, "-u", "-c", script, dest};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid;
    WriterRun run;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.stderrText = cmdstream_test::readFile(errPath);
    std::filesystem::remove(inPath);
    std::filesystem::remove(errPath);
    return run;
}

TEST(CmdStreamRules, WriterReplacesTheDestinationOnlyWithACompleteFile) {
    const std::string dir = std::filesystem::temp_directory_path() / ("tarvo-writer-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/sub");
    { std::ofstream(dir + "/sub/keep.txt") << "old contents"; }
    std::filesystem::permissions(dir + "/sub/keep.txt", std::filesystem::perms(0750));

    // The input ends without "__END__": a failure that leaves the old file as it was.
    auto cut = runWriter(dir, "sub/keep.txt", "aGVsbG8=\n");
    EXPECT_NE(cut.exitCode, 0);
    EXPECT_NE(cut.stderrText.find("upload incomplete"), std::string::npos) << cut.stderrText;
    EXPECT_EQ(cmdstream_test::readFile(dir + "/sub/keep.txt"), "old contents");
    EXPECT_EQ(listing(dir + "/sub"), std::vector<std::string>{"keep.txt"});

    // Bad base64 is a failure too, and leaves nothing behind.
    auto bad = runWriter(dir, "sub/keep.txt", "a!!=\n__END__\n");
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_EQ(cmdstream_test::readFile(dir + "/sub/keep.txt"), "old contents");
    EXPECT_EQ(listing(dir + "/sub"), std::vector<std::string>{"keep.txt"});

    // A complete input replaces it, keeping its permissions; blank lines are skipped.
    auto ok = runWriter(dir, "sub/keep.txt", "aGVs\n\nbG8=\n__END__\nignored\n");
    EXPECT_EQ(ok.exitCode, 0) << ok.stderrText;
    EXPECT_EQ(cmdstream_test::readFile(dir + "/sub/keep.txt"), "hello");
    EXPECT_EQ(std::filesystem::status(dir + "/sub/keep.txt").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0750));
    EXPECT_EQ(listing(dir + "/sub"), std::vector<std::string>{"keep.txt"});

    // Missing folders are made; a folder in the way is a failure that leaves no stray file.
    EXPECT_EQ(runWriter(dir, "new/deep/f.bin", "__END__\n").exitCode, 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/new/deep/f.bin"), 0u);
    auto inTheWay = runWriter(dir, "sub", "aGVsbG8=\n__END__\n");
    EXPECT_NE(inTheWay.exitCode, 0);
    EXPECT_NE(inTheWay.stderrText.find("Is a directory"), std::string::npos) << inTheWay.stderrText;
    EXPECT_EQ(listing(dir), (std::vector<std::string>{"new", "sub"}));

    // A name the file system still takes (84 three-byte characters, 252 bytes) writes: the
    // temporary file beside it must not outgrow the 255-byte limit.
    std::string longName;
    for (int i = 0; i < 84; ++i) longName += "\u754c";
    auto longOk = runWriter(dir, "sub/" + longName, "aGk=\n__END__\n");
    EXPECT_EQ(longOk.exitCode, 0) << longOk.stderrText;
    EXPECT_EQ(cmdstream_test::readFile(dir + "/sub/" + longName), "hi");
    std::filesystem::remove_all(dir);
}

}  // namespace
