// The upload engine against the loopback server: whole files of every size arrive byte for byte
// with the progress the engine promises, failures carry their texts, and a broken or cancelled
// upload never damages what the server already had.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/filesystem/FileSystemError.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"

namespace {

using namespace cmdstream_test;
using platform::Async;
using platform::Json;
using remote_test::failureText;
using tarvo::RemoteTransfer;
using tarvo::TransferProgress;

struct ProgressLog {
    std::mutex mutex;
    std::vector<TransferProgress> reports;
    std::atomic<std::int64_t> lastDone{0};
    std::atomic<bool> onCallerThread{false};
    std::thread::id callerThread = std::this_thread::get_id();

    RemoteTransfer::ProgressCallback callback() {
        return [this](const TransferProgress& p) {
            if (std::this_thread::get_id() == callerThread) onCallerThread = true;
            std::lock_guard lock(mutex);
            reports.push_back(p);
            lastDone = p.doneBytes;
        };
    }
};

class RemoteTransferUpload : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tarvo-upload-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string file(const std::string& name, std::size_t size, std::uint32_t seed = 7) {
        return remote_test::writePatternFile(dir_ + "/" + name, size, seed);
    }
    static platform::URL url(const std::string& path) { return platform::URL::fileURL(path); }

    std::string dir_;
};

Async<std::string> upload(tarvo::RemoteAPI api, platform::URL local, std::string folder,
                          std::optional<std::string> name, RemoteTransfer::ProgressCallback progress = nullptr) {
    co_return co_await testEnvironment().remoteTransfer.uploadLocalFileStreaming(
        api, local, folder, name, "application/octet-stream", progress);
}

TEST_F(RemoteTransferUpload, UploadsFilesOfEverySizeByteForByte) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    // The 32 KiB file replaces a larger one already there.
    std::filesystem::create_directories(server.filesRoot() + "/in/box");
    remote_test::writePatternFile(server.filesRoot() + "/in/box/exact.bin", 100000, 3);

    struct Case {
        std::string name;
        std::size_t size;
    };
    const Case cases[] = {{"empty.bin", 0}, {"exact.bin", 32768}, {"large.bin", 50u << 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.reset();
        const std::string local = file(c.name, c.size, static_cast<std::uint32_t>(c.size + 1));
        ProgressLog log;
        const std::string remote = runTask([api, local, cb = log.callback()]() -> Async<std::string> {
            co_return co_await upload(api, platform::URL::fileURL(local), " / in//./box/../ ", std::nullopt, cb);
        });
        EXPECT_EQ(remote, "in/box/" + c.name);
        const std::string remoteFile = server.filesRoot() + "/" + remote;
        EXPECT_EQ(std::filesystem::file_size(remoteFile), c.size);
        EXPECT_EQ(sha256File(remoteFile), sha256File(local));
        for (const auto& name : listing(server.filesRoot() + "/in/box")) EXPECT_NE(name.front(), '.') << name;

        // One report per chunk and a repeat of the last one after the end frame.
        const std::size_t chunks = (c.size + RemoteTransfer::kChunkBytes - 1) / RemoteTransfer::kChunkBytes;
        ASSERT_EQ(log.reports.size(), chunks + 1);
        const std::optional<std::int64_t> total =
            c.size ? std::optional<std::int64_t>(static_cast<std::int64_t>(c.size)) : std::nullopt;
        for (std::size_t i = 0; i < chunks; ++i) {
            const auto done = std::min<std::int64_t>((i + 1) * RemoteTransfer::kChunkBytes, c.size);
            ASSERT_EQ(log.reports[i], (TransferProgress{tarvo::TransferDirection::upload, done, total}));
        }
        EXPECT_EQ(log.reports.back(), (TransferProgress{tarvo::TransferDirection::upload, static_cast<std::int64_t>(c.size), total}));
        EXPECT_FALSE(log.onCallerThread.load());

        // What went over the wire: the start frame, one line per chunk, the end line.
        const Json record = streamRequests(server).at(0)["ws"];
        const Json start = record["start"];
        EXPECT_EQ(start.size(), 9u);
        EXPECT_EQ(start["cmd"], "python3");
        EXPECT_EQ(start["args"][0], "-u");
        EXPECT_EQ(start["args"][1], "-c");
        EXPECT_EQ(start["args"][2], RemoteTransfer::writerScript());
        EXPECT_EQ(start["args"][3], remote);
        EXPECT_EQ(start["cwd"], "");
        EXPECT_EQ(start["interactive"], true);
        EXPECT_EQ(start["persist"], false);
        ASSERT_EQ(record["frames"].size(), chunks + 2);
        EXPECT_EQ(record["frames"].back()["text"], "{\"stdin\":\"__END__\\n\"}");
        EXPECT_EQ(record["stdin_frames"], chunks + 1);
        if (c.size == 32768) {
            EXPECT_EQ(record["frames"][1]["size"], 43706);  // 43,692 base64 characters in the frame
        }
    }
}

TEST_F(RemoteTransferUpload, NamesComeFromTheGivenNameOrTheLocalFile) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string local = file("photo 1.jpg", 10);
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "photo 1.jpg"}, {"", "shared.bin"}, {"..", "shared.bin"}, {"a/b/c.txt", "c.txt"}};
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(runTask([api, local, name = name]() -> Async<std::string> {
                      co_return co_await upload(api, platform::URL::fileURL(local), "/", name);
                  }),
                  expected);
    }
    // A symbolic link uploads (and verifies) with the size of what it points to.
    std::filesystem::create_symlink(local, dir_ + "/link.jpg");
    EXPECT_EQ(runTask([api, link = dir_ + "/link.jpg"]() -> Async<std::string> {
                  co_return co_await upload(api, platform::URL::fileURL(link), "", std::nullopt);
              }),
              "link.jpg");
    EXPECT_EQ(std::filesystem::file_size(server.filesRoot() + "/link.jpg"), 10u);
}

TEST_F(RemoteTransferUpload, FailuresCarryTheirTexts) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string local = file("data.bin", 5000);
    auto send = [api, local](std::string name) {
        return [api, local, name]() -> Async<void> { co_await upload(api, platform::URL::fileURL(local), "", name); };
    };

    std::filesystem::create_directories(server.filesRoot() + "/taken");
    const std::string inTheWay = failureText<tarvo::RemoteTransferError>(send("taken"));
    EXPECT_EQ(inTheWay.rfind("Upload failed: exit 1: ", 0), 0u) << inTheWay;
    EXPECT_NE(inTheWay.find("Is a directory"), std::string::npos) << inTheWay;
    EXPECT_EQ(listing(server.filesRoot()), std::vector<std::string>{"taken"});

    struct StatCase {
        Json reply;
        std::string text;
    };
    const StatCase stats[] = {
        {{{"path", "d.bin"}, {"type", "file"}, {"size", 1}}, "Upload failed: verification failed: local size 5000 bytes, remote size 1 bytes"},
        {{{"path", "d.bin"}, {"type", "dir"}, {"size", 5000}}, "Upload failed: verification failed: remote path is dir, not file"},
        {{{"path", "d.bin"}, {"type", "file"}}, "Upload failed: verification failed: server did not return remote size"},
    };
    for (const auto& s : stats) {
        server.addRule(Json{{"path", "/api/stat"}, {"json", s.reply}});
        EXPECT_EQ(failureText<tarvo::RemoteTransferError>(send("d.bin")), s.text);
    }

    struct ScriptCase {
        Json steps;
        std::string text;
    };
    const ScriptCase scripts[] = {
        {Json::array({frame("stderr", {{"data", " \n"}}), frame("stdout", {{"data", "quota exceeded\n"}}), frame("exit", {{"code", 1}})}),
         "Upload failed: exit 1: quota exceeded"},
        {Json::array({frame("exit", {{"code", 2}})}), "Upload failed: exit 2: unknown"},
        {Json::array({frame("meta", {{"run_id", "r"}, {"log_path", "/l"}}), frame("exit", {{"code", 3}})}), "Upload failed: exit 3: run_id=r log=/l"},
        {Json::array({frame("error", {{"data", "read-only"}})}), "Server error: read-only"},
    };
    for (const auto& s : scripts) {
        script(server, s.steps);
        EXPECT_EQ(failureText<std::exception>(send("d.bin")), s.text);
    }

    // A local file that is not there fails before anything is written.
    auto missing = [api, path = dir_ + "/nope.bin"]() -> Async<void> {
        co_await upload(api, platform::URL::fileURL(path), "", std::nullopt);
    };
    EXPECT_FALSE(failureText<platform::FileSystemError>(missing).empty());
}

TEST_F(RemoteTransferUpload, TheExitFrameIsAwaitedAcrossSoftTimeOutsAndWithinItsLimit) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    api.cmdStreamLimits.receiveSeconds = 0.05;
    const std::string local = file("slow.bin", 70000);
    remote_test::writePatternFile(server.filesRoot() + "/slow.bin", 70000);  // for the size check
    auto send = [api, local]() -> Async<std::string> {
        co_return co_await upload(api, platform::URL::fileURL(local), "", std::nullopt);
    };
    // The server answers after many soft time-outs have passed: the exit frame is still seen.
    script(server, Json::array({Json{{"sleep", 0.6}}, frame("exit", {{"code", 0}})}));
    EXPECT_EQ(runTask(send), "slow.bin");

    // The writer never reports back: the limit after the end frame ends the wait.
    api.cmdStreamLimits.uploadExitSeconds = 0.3;
    server.addRule(Json{{"path", "/ws/cmd"}, {"suppress_exit", true}});
    EXPECT_EQ(failureText<tarvo::TransportError>([api, local]() -> Async<void> {
                  co_await upload(api, platform::URL::fileURL(local), "", std::nullopt);
              }),
              "Network error: Upload timed out while waiting for the server write to finish.");
}

TEST_F(RemoteTransferUpload, ABrokenConnectionLeavesTheOldFileIntact) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string old = remote_test::writePatternFile(server.filesRoot() + "/keep.bin", 4096, 99);
    const std::string oldSum = sha256File(old);
    const std::string local = file("keep.bin", 4u << 20);

    server.addRule(Json{{"path", "/ws/cmd"}, {"close_after_stdin", 5}});
    const std::string text = failureText<tarvo::TransportError>([api, local]() -> Async<void> {
        co_await upload(api, platform::URL::fileURL(local), "", std::nullopt);
    });
    EXPECT_EQ(text.rfind("Network error: ", 0), 0u) << text;
    // The writer saw its input end without "__END__": it removes its temporary file and leaves.
    EXPECT_TRUE(testQueue().runUntil([&] { return listing(server.filesRoot()) == std::vector<std::string>{"keep.bin"}; }, kSettleLimit))
        << ::testing::PrintToString(listing(server.filesRoot()));
    EXPECT_EQ(sha256File(old), oldSum);

    // The next upload replaces it whole.
    EXPECT_EQ(runTask([api, local]() -> Async<std::string> {
                  co_return co_await upload(api, platform::URL::fileURL(local), "", std::nullopt);
              }),
              "keep.bin");
    EXPECT_EQ(sha256File(old), sha256File(local));
    EXPECT_EQ(listing(server.filesRoot()), std::vector<std::string>{"keep.bin"});
}

TEST_F(RemoteTransferUpload, CancellingWhileStreamingEndsWithTheCancellationAndClosesTheChannel) {
    peer::PeerServer server;
    // The close frame queues behind the frames already in the socket buffers (1-4 MiB), and
    // this server reads each of those only after its writer process has taken the one before:
    // on a loaded machine that takes seconds, more than the default closing limit.
    platform::URLSessionConfiguration configuration;
    configuration.closingHandshakeTimeout = 20;
    auto transport = std::make_shared<tarvo::URLSessionStreamTransport>(configuration);
    transport->openTimeoutSeconds = 10;
    auto api = streamAPI(server, transport);
    const std::string local = file("big.bin", 64u << 20);
    ProgressLog log;
    platform::MainQueue& queue = remote_test::testQueue();  // outlives late network completions
    auto task = platform::startTask(queue.executor(), [api, local, cb = log.callback()]() -> Async<std::string> {
        co_return co_await upload(api, platform::URL::fileURL(local), "", std::nullopt, cb);
    });
    ASSERT_TRUE(queue.runUntil([&] { return log.lastDone.load() >= (1 << 20); }, 20000ms));
    task.cancel();
    ASSERT_TRUE(queue.runUntil([&] { return task.isDone(); }, 10000ms));
    EXPECT_THROW(task.result(), platform::CancellationError);
    EXPECT_LT(log.lastDone.load(), std::int64_t(64) << 20);
    EXPECT_TRUE(testQueue().runUntil([&] { return streamRequests(server)[0]["ws"]["client_close_code"] == 1001; }, 20000ms))
        << streamRequests(server)[0]["ws"]["client_close_code"];
    // Nothing is left under the final name, nor beside it.
    EXPECT_TRUE(testQueue().runUntil([&] { return listing(server.filesRoot()).empty(); }, kSettleLimit))
        << ::testing::PrintToString(listing(server.filesRoot()));
}

TEST_F(RemoteTransferUpload, UploadsOverTLSByteForByte) {
    // Batches leave through the TLS stream in pieces as it takes them, beside the reader.
    peer::PeerServer::Options options;
    options.tls = true;
    peer::PeerServer server(options);
    platform::URLSessionConfiguration trusting;
    trusting.additionalTrustedCertificateFiles = {server.certificateFile()};
    tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(server.baseURL()), server.options().token},
                         std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make(trusting)),
                         std::make_shared<tarvo::URLSessionStreamTransport>(trusting));
    api.cmdStreamLimits = quickLimits();
    const std::string local = file("tls.bin", (5u << 20) + 123, 11);
    EXPECT_EQ(runTask([api, local]() -> Async<std::string> {
                  co_return co_await upload(api, platform::URL::fileURL(local), "secure", std::nullopt);
              }),
              "secure/tls.bin");
    EXPECT_EQ(sha256File(server.filesRoot() + "/secure/tls.bin"), sha256File(local));
}

TEST_F(RemoteTransferUpload, TwoUploadsRunAtOnceEachOnItsOwnChannel) {
    peer::PeerServer server;
    auto api = streamAPI(server);
    const std::string a = file("a.bin", 3u << 20, 1);
    const std::string b = file("b.bin", 2u << 20, 2);
    auto both = runTask([api, a, b]() -> Async<std::vector<std::string>> {
        const platform::Executor ex = co_await boost::asio::this_coro::executor;
        auto sendA = [api, a]() -> Async<std::string> {
            co_return co_await upload(api, platform::URL::fileURL(a), "two", std::nullopt);
        };
        auto first = platform::startTask(ex, std::move(sendA));
        auto second = co_await upload(api, platform::URL::fileURL(b), "two", std::nullopt);
        auto firstName = co_await first.value();
        co_return std::vector<std::string>{firstName, second};
    });
    EXPECT_EQ(both, (std::vector<std::string>{"two/a.bin", "two/b.bin"}));
    EXPECT_EQ(sha256File(server.filesRoot() + "/two/a.bin"), sha256File(a));
    EXPECT_EQ(sha256File(server.filesRoot() + "/two/b.bin"), sha256File(b));
    EXPECT_EQ(streamRequests(server).size(), 2u);
}

}  // namespace
