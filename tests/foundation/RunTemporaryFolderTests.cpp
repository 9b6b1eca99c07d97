// The run's private temporary folder: made fresh and private, a folder of someone else or a
// link refused, stale folders of dead runs swept while live ones stay, and the folder removed
// on request.
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunTemporaryFolder.h"
#include "tests/support/Files.h"
#include "tests/support/TempHome.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::string userFolderName() { return "tarvo-" + std::to_string(platform::currentUserID()); }

// A pid that no process has now: a child that has ended and been reaped.
long deadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

class RunTemporaryFolderTest : public ::testing::Test {
protected:
    std::string userFolder() const { return base.path() + "/" + userFolderName(); }
    // A run folder as a run with this record would have left it.
    std::string leftBehind(const std::string& name, const std::string& record) {
        const std::string dir = userFolder() + "/" + name;
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace);
        tarvo_test::writeFile(dir + "/copy.zip", "someone's files");
        if (!record.empty()) tarvo_test::writeFile(dir + "/" + platform::kRunFolderOwnerRecord, record);
        return dir;
    }
    // The refusal of makeRunTemporaryFolder, as its text.
    std::string refusal(std::uint32_t owner) {
        try {
            const std::string made = platform::makeRunTemporaryFolder(base.path(), owner);
            ADD_FAILURE() << "made " << made;
        } catch (const platform::NSError& e) {
            return e.localizedDescription();
        }
        return {};
    }

    tarvo_test::TempDir base{"runtmp"};
};

TEST_F(RunTemporaryFolderTest, EachRunGetsAFreshPrivateFolderWithItsRecord) {
    const std::uint32_t me = platform::currentUserID();
    const std::string first = platform::makeRunTemporaryFolder(base.path() + "/", me);
    const std::string second = platform::makeRunTemporaryFolder(base.path(), me);
    EXPECT_NE(first, second);
    const std::string prefix = userFolder() + "/run-" + std::to_string(::getpid()) + "-";
    EXPECT_THAT(first, StartsWith(prefix));
    EXPECT_THAT(second, StartsWith(prefix));
    EXPECT_EQ(tarvo_test::permissionsOf(userFolder()), 0700u);
    EXPECT_EQ(tarvo_test::permissionsOf(first), 0700u);
    const std::string record = tarvo_test::readFile(first + "/" + platform::kRunFolderOwnerRecord);
    EXPECT_THAT(record, StartsWith(std::to_string(::getpid()) + " "));
    EXPECT_EQ(tarvo_test::permissionsOf(first + "/" + platform::kRunFolderOwnerRecord), 0600u);

    // A user folder of ours that was left open to others is closed again before use.
    fs::permissions(userFolder(), fs::perms::all, fs::perm_options::replace);
    platform::makeRunTemporaryFolder(base.path(), me);
    EXPECT_EQ(tarvo_test::permissionsOf(userFolder()), 0700u);
}

TEST_F(RunTemporaryFolderTest, AFolderOfAnotherOwnerOrALinkIsRefused) {
    const std::uint32_t me = platform::currentUserID();
    // Made by this user, asked for by another: not theirs.
    fs::create_directories(userFolder());
    EXPECT_THAT(refusal(me + 1), HasSubstr("belongs to another user"));

    // Pre-made by another user and waiting for this one (only root can give a folder away).
    const std::string other = base.path() + "/" + userFolderName();
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(other.c_str(), 65534, 65534), 0);
        const std::string text = refusal(me);
        EXPECT_THAT(text, HasSubstr("The temporary folder " + other + " belongs to another user (uid 65534)"));
        EXPECT_TRUE(fs::is_empty(other)) << "nothing is made in it";
        ASSERT_EQ(::chown(other.c_str(), 0, 0), 0);
    }

    // A link where the folder should be, even to a folder of this user.
    fs::remove_all(userFolder());
    const std::string elsewhere = base.path() + "/elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, userFolder());
    EXPECT_THAT(refusal(me), HasSubstr("is not a folder"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(RunTemporaryFolderTest, TheSweepRemovesFoldersOfDeadRunsAndKeepsLiveOnes) {
    const std::uint32_t me = platform::currentUserID();
    const std::string live = platform::makeRunTemporaryFolder(base.path(), me);
    const long dead = deadPid();
    const std::string self = std::to_string(::getpid());
    const std::string deadRun = leftBehind("run-" + std::to_string(dead) + "-aaaa", std::to_string(dead) + " 1\n");
    const std::string noRecord = leftBehind("run-" + std::to_string(dead) + "-bbbb", "");
    // This process's pid, but another start time: the pid was reused after its run died.
    const std::string reused = leftBehind("run-" + self + "-cccc", self + " 1\n");
    // A record naming this live process without a start time is taken at its word.
    const std::string liveNoTime = leftBehind("run-" + self + "-dddd", self + "\n");
    // Not a run folder: never touched.
    const std::string other = leftBehind("notes", std::to_string(dead) + "\n");

    EXPECT_EQ(platform::sweepStaleRunFolders(userFolder(), me), 3u);
    EXPECT_FALSE(fs::exists(deadRun));
    EXPECT_FALSE(fs::exists(noRecord));
    EXPECT_FALSE(fs::exists(reused));
    EXPECT_TRUE(fs::exists(live + "/" + platform::kRunFolderOwnerRecord));
    EXPECT_TRUE(fs::exists(liveNoTime));
    EXPECT_TRUE(fs::exists(other));

    // The sweep leaves alone what another user owns, and works in no folder but ours.
    if (::geteuid() == 0) {
        const std::string theirs = leftBehind("run-" + std::to_string(dead) + "-eeee", std::to_string(dead) + "\n");
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_EQ(platform::sweepStaleRunFolders(userFolder(), me), 0u);
        EXPECT_TRUE(fs::exists(theirs));
    }
    const std::string stale = leftBehind("run-" + std::to_string(dead) + "-ffff", "");
    EXPECT_EQ(platform::sweepStaleRunFolders(userFolder(), me + 1), 0u);
    EXPECT_TRUE(fs::exists(stale));
    // A new run sweeps before it makes its own folder.
    platform::makeRunTemporaryFolder(base.path(), me);
    EXPECT_FALSE(fs::exists(stale));
}

TEST_F(RunTemporaryFolderTest, TheProcessFolderIsMadeOnceAndRemovedOnRequest) {
    platform::removeRunTemporaryFolder();  // whatever an earlier test of this process made
    tarvo_test::ScopedEnv tmp("TMPDIR", base.path());
    EXPECT_FALSE(platform::currentRunTemporaryFolder());
    const std::string folder = platform::paths::temporaryDirectory();
    EXPECT_THAT(folder, StartsWith(userFolder() + "/run-"));
    EXPECT_EQ(platform::runTemporaryFolder(), folder);
    EXPECT_EQ(platform::currentRunTemporaryFolder(), folder);
    tarvo_test::writeFile(folder + "/deep/copy.txt", "a person's file");

    platform::removeRunTemporaryFolder();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(platform::currentRunTemporaryFolder());
    platform::removeRunTemporaryFolder();  // twice is harmless
    EXPECT_TRUE(fs::is_empty(userFolder()));

    // Asked again, a new one is made.
    const std::string next = platform::runTemporaryFolder();
    EXPECT_NE(next, folder);
    EXPECT_TRUE(fs::is_directory(next));
    platform::removeRunTemporaryFolder();
    EXPECT_TRUE(fs::is_empty(userFolder()));
}

}  // namespace
