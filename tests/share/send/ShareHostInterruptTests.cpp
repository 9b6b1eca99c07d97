// tarvo-share stopped while an upload is in flight to a server that has stopped answering:
// Ctrl-C or a termination request, a second Ctrl-C, and Cancel typed at the interactive prompt.
// Each but the second Ctrl-C ends the share through its cancel: the channel closed as going
// away, no recipe, no hand-off, nothing of the share's own left in its temporary folder.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "tests/peer/PeerServer.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/ChildEnd.h"
#include "tests/support/Process.h"
#include "tests/support/RunTask.h"
#include "tests/support/TempHome.h"

namespace share_test {
namespace {

using namespace std::chrono_literals;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using tarvo_test::ProcessResult;
using tarvo_test::RunningProgram;

constexpr auto kLimit = 60000ms;

class ShareInterruptTest : public ShareSampleSendFixture {
protected:
    ShareInterruptTest() : ShareSampleSendFixture("share-interrupt") {}
    void SetUp() override {
        ShareSampleSendFixture::SetUp();
        // The command stream is accepted, takes the file and never answers.
        peer.addRule(platform::Json{{"path", "/ws/cmd"}, {"times", 0}, {"script", platform::Json::array()}});
    }

    std::unique_ptr<RunningProgram> start(std::vector<std::string> args, int outputPipeBytes = 0) {
        args.push_back(source("samples/share/project"));
        RunningProgram::Options options;
        options.env = {{"TMPDIR", temporaries.path()}};
        options.outputPipeBytes = outputPipeBytes;
        return std::make_unique<RunningProgram>(binary("tarvo-share"), args, options);
    }

    // The close code the server saw on the upload's channel, once it has seen one.
    platform::Json closeCode() {
        platform::Json code;
        // A loaded machine can take a while to let the server read the closing frame.
        tarvo_test::testQueue().runUntil(
            [&] {
                const platform::Json streams = peer.requestsTo("/ws/cmd");
                if (!streams.empty()) code = streams[0]["ws"]["client_close_code"];
                return !code.is_null();
            },
            kLimit);
        return code;
    }

    void expectNothingCountedAsDone() {
        EXPECT_TRUE(peer.requestsTo("/api/jobs/submit").empty()) << "no recipe";
        EXPECT_EQ(stored("share.launchHandoff.json"), "") << "no hand-off";
        std::vector<std::string> left;
        for (const auto& e : std::filesystem::recursive_directory_iterator(temporaries.path())) {
            if (!e.is_directory()) left.push_back(e.path().string());
        }
        EXPECT_THAT(left, ::testing::IsEmpty()) << "the share's temporary copies";
    }

    // The end of a share stopped through its cancel, once its exit code has been checked.
    void expectCancelled(const ProcessResult& r) {
        EXPECT_THAT(r.out, EndsWith("\ncancelled: Cancelled.\n"));
        EXPECT_EQ(closeCode(), 1001) << "going away";
        EXPECT_THAT(r.err, ::testing::Not(::testing::HasSubstr("still closing"))) << "the close frame had time to go";
        expectNothingCountedAsDone();
    }

    tarvo_test::TempDir temporaries{"share-tmp"};
};

// SIGINT (Ctrl-C) or SIGTERM (a termination request), each with a server and program of its own.
class ShareSignalTest : public ShareInterruptTest, public ::testing::WithParamInterface<int> {};

TEST_P(ShareSignalTest, DuringAnUploadCancelsTheShare) {
    auto program = start({"--progress", "--do", "tap:sendButton"});
    ASSERT_TRUE(program->waitFor("progress: Uploading 1/1", kLimit)) << program->out() << program->err();
    program->signal(GetParam());
    const ProcessResult r = program->finish(kLimit);
    ASSERT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("Button #sendButton")) << "the screen comes first";
    EXPECT_THAT(r.err, HasSubstr("interrupted: cancelling the share"));
    expectCancelled(r);
}

INSTANTIATE_TEST_SUITE_P(Stopped, ShareSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

TEST_F(ShareInterruptTest, ASecondCtrlCQuitsAtOnce) {
    // Standard output holds less than the screen, so the program waits at its output while
    // this test reads only standard error: the second interrupt lands while it winds down.
    auto program = start({"--progress", "--do", "tap:sendButton"}, 4096);
    ASSERT_TRUE(program->waitFor("progress: Uploading 1/1", kLimit)) << program->out() << program->err();
    program->signal(SIGINT);
    ASSERT_TRUE(program->waitFor("interrupted", kLimit, true)) << program->err();
    program->signal(SIGINT);
    const ProcessResult r = program->finish(kLimit);
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_THAT(r.out, ::testing::Not(HasSubstr("cancelled:")));
    EXPECT_TRUE(peer.requestsTo("/api/jobs/submit").empty());
}

TEST_F(ShareInterruptTest, CancelTypedDuringAnInteractiveUpload) {
    auto program = start({"--interactive", "--progress"});
    // The screen is there before the first step is read.
    ASSERT_TRUE(program->waitFor("Button #sendButton", kLimit)) << program->out() << program->err();
    EXPECT_EQ(program->out().find("progress: Uploading"), std::string::npos);
    program->write("tap:sendButton\n");
    ASSERT_TRUE(program->waitFor("progress: Uploading 1/1", kLimit)) << program->out() << program->err();
    program->write("tap:cancelButton\n");
    const ProcessResult r = program->finish(kLimit);
    ASSERT_EQ(r.exitCode, 1) << r.out << r.err;
    expectCancelled(r);
}

// The wait these tests stand on, for a program that ends without printing what is awaited on
// standard error (its standard output left unread): it gives up as the program ends. The limit
// is past the test's own timeout, so a wait that ran to its limit fails the test.
TEST(RunningProgramTest, WaitingOnStandardErrorEndsWithTheProgram) {
    RunningProgram program("/bin/sh", {"-c", "echo started; echo partial >&2; exit 3"}, {});
    EXPECT_FALSE(program.waitFor("interrupted", 10min, true));
    EXPECT_EQ(program.err(), "partial\n");
    EXPECT_EQ(program.finish(kLimit).exitCode, 3);
}

// Both ways of waiting for a child's end: woken by it, and, where the system has no process
// descriptors, looking at its state; each leaves the child to be reaped.
TEST(RunningProgramTest, AChildsEndIsSeenEitherWay) {
    for (auto* wait : {&tarvo_test::childEndsWithin, &tarvo_test::childEndsWithinLooking}) {
        RunningProgram ends("/bin/sh", {"-c", "exit 5"}, {});
        EXPECT_TRUE(wait(ends.pid(), kLimit));
        EXPECT_EQ(ends.finish(kLimit).exitCode, 5) << "still there to be reaped";
        RunningProgram stays("/bin/sh", {"-c", "read line"}, {});
        EXPECT_FALSE(wait(stays.pid(), 50ms));
    }
}

}  // namespace
}  // namespace share_test
