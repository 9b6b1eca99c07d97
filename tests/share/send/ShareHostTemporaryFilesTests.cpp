// tarvo-share's temporary files: whatever way a share ends, the run's folder under $TMPDIR is
// gone; a run that was killed leaves its folder to the next run, which removes it; a folder
// another user made first is refused.
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/peer/PeerServer.h"
#include "tests/share/ShareProgramFixture.h"
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
    struct stat st{};
    ASSERT_EQ(::stat(userFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

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
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const std::string program = binary("tarvo-share");
    const std::string project = source("samples/share/project");
    const std::string tmpdir = tmp.path();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(toChild[0], 0);
        ::dup2(fromChild[1], 1);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        ::execl(program.c_str(), program.c_str(), "--interactive", project.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    const std::string step = "type:destFolderField=killed\n";
    ASSERT_EQ(::write(toChild[1], step.data(), step.size()), static_cast<ssize_t>(step.size()));
    std::string out;
    char buffer[4096];
    // A generous bound, for a program that never answers: the test fails instead of hanging.
    while (out.find("Window 390x844") == std::string::npos) {
        pollfd ready{fromChild[0], POLLIN, 0};
        if (::poll(&ready, 1, 120000) <= 0) break;
        const ssize_t n = ::read(fromChild[0], buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(toChild[1]);
    ::close(fromChild[0]);
    ASSERT_THAT(out, HasSubstr("Window 390x844")) << "the program did not come up";
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::vector<std::string> left = leftOver();
    ASSERT_EQ(left.size(), 1u) << "the killed run's folder stays";
    EXPECT_EQ(left[0].rfind("run-" + std::to_string(child) + "-", 0), 0u) << left[0];
    const fs::path killed = fs::path(userFolder()) / left[0];
    EXPECT_TRUE(fs::exists(killed / "owner"));

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
