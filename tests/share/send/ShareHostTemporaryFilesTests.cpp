// tarvo-share's temporary files: whatever way a share ends, the run's folder under $TMPDIR is
// gone; a run that was killed leaves its folder to the next run, which removes it; a folder
// another user made first is refused.
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/RunTemporaryFolder.h"
#include "tests/peer/PeerServer.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/TempHome.h"

namespace share_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using tarvo_test::ProcessResult;

class ShareTemporaryFilesTest : public ShareSampleSendFixture {
protected:
    ShareTemporaryFilesTest() : ShareSampleSendFixture("share-temporary") {}
    ProcessResult run(std::vector<std::string> args) {
        args.push_back(source("samples/share/project"));
        return share(args, "", {{"TMPDIR", tmp.path()}});
    }
    std::string userFolder() const { return tmp.path() + "/tarvo-" + std::to_string(::geteuid()); }
    // What is left in the user's folder: run folders, by name.
    std::vector<std::string> leftOver() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(userFolder(), ec)) names.push_back(e.path().filename().string());
        return names;
    }

    tarvo_test::TempDir tmp{"share-tmpdir"};
};

TEST_F(ShareTemporaryFilesTest, EveryWayAShareEndsRemovesTheRunFolder) {
    struct Case {
        const char* way;
        std::vector<std::string> args;
        int exitCode;
        const char* lastLine;
    } cases[] = {
        {"completed", {"--do", "tap:sendButton", "--do", "wait"}, 0, "\ncompleted: Run accepted"},
        {"cancelled", {"--do", "tap:Cancel"}, 1, "\ncancelled: "},
        {"closed with nothing sent", {}, 3, "\nopen: "},
    };
    for (const Case& c : cases) {
        const ProcessResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.way << "\n" << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr(c.lastLine)) << c.way;
        EXPECT_TRUE(fs::is_directory(userFolder())) << c.way << ": the run had its folder";
        EXPECT_THAT(leftOver(), ::testing::IsEmpty()) << c.way;
    }
    // The upload that completed sent the archive the run made, and only the server keeps it.
    EXPECT_TRUE(fs::is_regular_file(fs::path(peer.filesRoot()) / "sites/sample/project.zip"));
    EXPECT_EQ(tarvo_test::permissionsOf(userFolder()), 0700u);

    // Failed: the server cannot be reached.
    useSampleServers("http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()));
    const ProcessResult failed = run({"--do", "tap:sendButton", "--do", "wait"});
    EXPECT_EQ(failed.exitCode, 3) << failed.out << failed.err;
    EXPECT_THAT(failed.out, HasSubstr("\nopen: Done with 1 error(s):"));
    EXPECT_THAT(leftOver(), ::testing::IsEmpty()) << "failed";
}

TEST_F(ShareTemporaryFilesTest, AKilledRunLeavesItsFolderAndTheNextRunRemovesIt) {
    // The program waits for steps on its standard input; once it has printed the screen after
    // the first, it has made its folder and zipped the project into it.
    tarvo_test::RunningProgram::Options options;
    options.env = {{"TMPDIR", tmp.path()}};
    tarvo_test::RunningProgram program(binary("tarvo-share"), {"--interactive", source("samples/share/project")},
                                       options);
    program.write("type:destFolderField=killed\n");
    // A generous bound, for a program that never answers: the test fails instead of hanging.
    ASSERT_TRUE(program.waitFor("killed\" placeholder=", std::chrono::minutes(2)))
        << "the program did not come up: " << program.out() << program.err();
    const pid_t child = program.pid();
    program.signal(SIGKILL);
    const ProcessResult killedRun = program.finish(std::chrono::minutes(1));
    ASSERT_EQ(killedRun.exitCode, -1) << "ended by the signal";

    const std::vector<std::string> left = leftOver();
    ASSERT_EQ(left.size(), 1u) << "the killed run's folder stays";
    EXPECT_EQ(left[0].rfind("run-" + std::to_string(child) + "-", 0), 0u) << left[0];
    const fs::path killed = fs::path(userFolder()) / left[0];
    EXPECT_TRUE(fs::exists(killed / platform::kRunFolderOwnerRecord));

    const ProcessResult next = run({});
    EXPECT_EQ(next.exitCode, 3) << next.err;
    EXPECT_FALSE(fs::exists(killed)) << "the next run swept it";
    EXPECT_THAT(leftOver(), ::testing::IsEmpty());
}

TEST_F(ShareTemporaryFilesTest, AFolderSomeoneElseMadeFirstIsRefused) {
    // A link in place of the folder: refused whoever owns its target.
    const std::string target = tmp.path() + "/trap";
    fs::create_directories(target);
    fs::create_directory_symlink(target, userFolder());
    ProcessResult r = run({"--do", "tap:sendButton"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("The temporary folder " + userFolder() + " is not a folder; it is not used."));
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_FALSE(fs::exists(fs::path(peer.filesRoot()) / "sites/sample/project.zip")) << "nothing was sent";

    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    fs::remove(userFolder());
    fs::create_directories(userFolder());
    ASSERT_EQ(::chown(userFolder().c_str(), 65534, 65534), 0);
    r = run({"--do", "tap:sendButton"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("The temporary folder " + userFolder() + " belongs to another user (uid 65534)"));
    EXPECT_TRUE(fs::is_empty(userFolder()));
    ASSERT_EQ(::chown(userFolder().c_str(), 0, 0), 0);
}

}  // namespace
}  // namespace share_test
