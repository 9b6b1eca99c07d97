// The upload engine's frames as they go out, and its uploads into the upload sink (the server
// the benchmarks measure against), which checks every frame it takes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <random>

#include "TarvoShareExtension/Intake/Crc32.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "platform/foundation/Base64.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"
#include "tests/peer/SinkServer.h"

namespace {

using namespace cmdstream_test;
using platform::Async;
using tarvo::RemoteTransfer;

std::string randomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (auto& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// The frame written in place is the compact JSON of {"stdin": base64 line}, whatever the
// chunk's length (each remainder of the 6-byte blocks and of the 3-byte groups).
TEST(UploadFrames, AStdinFrameIsTheJSONOfTheChunksBase64Line) {
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 64; ++n) sizes.push_back(n);
    for (std::size_t n : {1000u, 32766u, 32767u, 32768u}) sizes.push_back(n);
    for (const std::size_t n : sizes) {
        SCOPED_TRACE(n);
        const std::string bytes = randomBytes(n, static_cast<std::uint32_t>(n));
        const std::string line = platform::base64Encode(bytes);
        ASSERT_EQ(line.size(), platform::base64EncodedSize(n));
        const auto back = platform::base64Decode(line);
        ASSERT_TRUE(back);
        ASSERT_EQ(std::string(back->begin(), back->end()), bytes);
        EXPECT_EQ(RemoteTransfer::stdinFrame(bytes), tarvo::encodeCmdFrame(Json{{"stdin", line + "\n"}}));
    }
    EXPECT_EQ(RemoteTransfer::stdinFrame(std::string("\xfb\xff\xfe", 3)), "{\"stdin\":\"+//+\\n\"}");
}

class UploadIntoSink : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("tarvo-sink-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(UploadIntoSink, EveryFrameArrivesCheckedAndTheUploadIsVerified) {
    peer::SinkServer sink;
    auto api = streamAPI(sink.baseURL(), "sink-token");
    // Empty, one chunk exactly, one byte over, and several batches of chunks.
    const std::size_t sizes[] = {0, 32768, 32769, (3u << 20) + 5};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string bytes = randomBytes(size, static_cast<std::uint32_t>(size) + 9);
        const std::string local = (dir_ / ("f" + std::to_string(size) + ".bin")).string();
        std::ofstream(local, std::ios::binary) << bytes;
        const std::string remote = runTask([api, local]() -> Async<std::string> {
            co_return co_await testEnvironment().remoteTransfer.uploadLocalFileStreaming(
                api, platform::URL::fileURL(local), "in", std::nullopt, std::nullopt, nullptr);
        });
        const Json uploads = sink.uploads();
        ASSERT_FALSE(uploads.empty());
        const Json last = uploads.back();
        EXPECT_EQ(last["path"], remote);
        EXPECT_EQ(last["ok"], true) << last["error"];
        EXPECT_EQ(last["bytes"], size);
        const std::size_t chunks = (size + RemoteTransfer::kChunkBytes - 1) / RemoteTransfer::kChunkBytes;
        EXPECT_EQ(last["frames"], chunks + 2);  // the start frame, the chunks, the end line
        EXPECT_EQ(last["crc32"], tarvo::Crc32::of(bytes.data(), bytes.size()));
    }
}

// Uploads a start frame, a good chunk, `bad` and the end line; the text of the failure.
Async<std::string> uploadWithFrame(tarvo::RemoteAPI api, std::string bad) {
    auto channel = co_await api.openCmdStream();
    const platform::Executor here = co_await platform::currentExecutor();
    tarvo::ChannelCloseGuard closer(channel, here);
    Json start = tarvo::cmdStartFrame("python3", {"-u", "-c", RemoteTransfer::writerScript(), "x.bin"}, "", true);
    start["persist"] = false;
    std::vector<std::string> frames{tarvo::encodeCmdFrame(start), RemoteTransfer::stdinFrame("fine"), bad,
                                    "{\"stdin\":\"__END__\\n\"}"};
    co_await channel->sendAll(std::move(frames));
    // Named: g++ 12 destroys a temporary made inside a co_await expression twice.
    tarvo::CmdStreamWait wait{0.1, 20, "timed out"};
    try {
        co_await tarvo::receiveCmdOutputUntilExit(channel, std::move(wait));
    } catch (const std::exception& e) {
        co_return platform::describeError(e);
    }
    co_return "no failure";
}

// The sink's checks are what makes a benchmark against it mean something: a line that is not
// base64 fails the upload with the writer's kind of failure, and the path is never reported.
TEST_F(UploadIntoSink, AFrameThatIsNotAStdinLineFailsTheUpload) {
    peer::SinkServer sink;
    auto api = streamAPI(sink.baseURL(), "sink-token");
    const std::pair<std::string, std::string> cases[] = {
        {"{\"stdin\":\"abc\\n\"}", "Upload failed: exit 1: frame 3 is not base64"},
        {"{\"stdin\": \"QUJD\\n\", \"more\": 1}", "Upload failed: exit 1: frame 3 is not a stdin line"},
    };
    for (const auto& [bad, expected] : cases) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(runTask([api, bad = bad]() -> Async<std::string> { co_return co_await uploadWithFrame(api, bad); }), expected);
        const Json uploads = sink.uploads();
        ASSERT_FALSE(uploads.empty());
        EXPECT_EQ(uploads.back()["ok"], false);
    }
}

}  // namespace
