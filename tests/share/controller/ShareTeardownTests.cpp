// The share ending while its work runs on the background threads: the folder's zip for the
// scan, the listing of the archive, the project's plans, the zip of a send or an emit. Each time
// the controller and its main queue go at a different moment of that work; what the work
// reports afterwards must reach nothing (under the sanitizers a report to the destroyed queue
// is a use after free), and the share's end waits for the work rather than leaving it running.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/support/Files.h"

namespace share_test {
namespace {

using namespace std::chrono_literals;
using platform::Json;
using tarvo::share::ArtifactInsightState;

// Rounds of each ending: enough for the threads to meet in several orders, few enough for a
// sanitizer build on two cores to run them in seconds.
constexpr int kRounds = 8;

class ShareTeardownTest : public ::testing::Test {
protected:
    // A share of a project folder (a few files, one of them large enough that zipping it takes
    // a while) on a fresh queue and environment.
    struct Share {
        std::unique_ptr<ShareTestEnvironment> env;
        std::filesystem::path folder;
        std::weak_ptr<tarvo::ShareViewController> controller;

        tarvo::ShareViewController& start(std::vector<std::shared_ptr<platform::NSItemProvider>> items = {}) {
            auto c = env->start(std::move(items));
            controller = c;
            return *c;
        }

        // The controller shown with no items, then handed the folder and its scan started.
        tarvo::ShareViewController& startScanOfFolder() {
            auto& c = start();
            c.providers = {pathItem(folder)};
            c.scheduleArtifactPreviewScanIfNeeded();
            return c;
        }
    };

    static Share makeShare(bool project = true) {
        Share s;
        s.env = std::make_unique<ShareTestEnvironment>(ShareTestEnvironment::Options{false, true, 1738315800.0});
        s.folder = std::filesystem::path(s.env->home().path()) / "shared" / (project ? "project" : "notes");
        if (project) tarvo_test::writeFile(s.folder / "deploy.sh", "#!/bin/sh\necho deployed\n");
        tarvo_test::writeFile(s.folder / "site/index.html", "<h1>demo</h1>\n");
        tarvo_test::writeFile(s.folder / "media/clip.raw", std::string(1 << 20, 'c'));
        for (int i = 0; i < 40; ++i) tarvo_test::writeFile(s.folder / "notes" / (std::to_string(i) + ".txt"), "note");
        Json box = s.env->server("a", "Box");
        box["receptionistToken"] = "receptionist";
        s.env->setServers(Json::array({box}));
        return s;
    }

    static std::shared_ptr<platform::NSItemProvider> pathItem(const std::filesystem::path& path) {
        return platform::NSItemProvider::contentsOf(path.string());
    }

    // Ends the share as its program does, then lets the queue and the rest go.
    static void endShare(Share& s) {
        EXPECT_TRUE(s.env->endShare()) << "the share's work did not end once cancelled";
        EXPECT_TRUE(s.controller.expired()) << "a task still held the controller after the share ended";
        s.env.reset();
    }

    // Runs the queue of the share for `turns` handlers at most (fewer when it runs dry), so
    // that each round ends at another moment of the work.
    static void turn(Share& s, int turns) {
        for (int i = 0; i < turns && s.env->mainQueue().drain() > 0; ++i) {
        }
    }
};

TEST_F(ShareTeardownTest, TheShareEndsWhileTheScanZipsAndListsTheFolder) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Share s = makeShare();
        s.startScanOfFolder();
        turn(s, round);
        endShare(s);
    }
}

TEST_F(ShareTeardownTest, TheShareEndsWhileTheProjectsPlansAreResolved) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Share s = makeShare();
        auto& c = s.startScanOfFolder();
        // The scan's end starts the resolution of the plans on the background queue.
        ASSERT_TRUE(s.env->mainQueue().runUntil(
            [&] { return c.artifactInsight.state.is(ArtifactInsightState::Case::ready); }, 60000ms))
            << s.env->dump();
        turn(s, round % 3);
        endShare(s);
    }
}

TEST_F(ShareTeardownTest, TheShareEndsWhileASendZipsTheFolder) {
    struct Case {
        const char* name;
        bool project;
        const char* action;  // the segment chosen before Send
    };
    for (const Case& k : {Case{"upload", true, "Upload"}, Case{"emit", false, "Emit"}}) {
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE(std::string(k.name) + " round " + std::to_string(round));
            Share s = makeShare(k.project);
            auto& c = s.start({pathItem(s.folder)});
            s.env->driver().chooseSegment(std::string(tarvo::share::roles::actionControl), k.action);
            s.env->runUntilIdle();
            s.env->driver().tap(std::string(tarvo::share::roles::sendButton));
            ASSERT_TRUE(c.sendTask.has_value());
            turn(s, round);
            endShare(s);
        }
    }
}

}  // namespace
}  // namespace share_test
