// tarvo-share sending for real: the sample project shared with the loopback server through the
// program's steps, with the servers and the remembered recipe set by tarvo-defaults.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "tests/peer/PeerServer.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/RunTask.h"

namespace share_test {
namespace {

using ::testing::HasSubstr;
using tarvo_test::ProcessResult;

class ShareProgramSendTest : public ShareProgramFixture {
protected:
    ShareProgramSendTest() : ShareProgramFixture("share-program-send") {}
    void SetUp() override {
        useSampleServers(peer.baseURL());
        write("share.serverDrafts.json", tarvo_test::readFile(source("samples/share/drafts.json")));
    }
    ProcessResult send(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--progress", "--do", "tap:sendButton"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(source("samples/share/project"));
        return share(args);
    }
    std::vector<std::string> paths() {
        std::vector<std::string> out;
        for (const auto& r : peer.requests()) out.push_back(r.value("path", ""));
        return out;
    }

    peer::PeerServer peer{peer::PeerServer::Options{"sample-token", "sample-token"}};
};

TEST_F(ShareProgramSendTest, TheSampleProjectIsUploadedAndItsRecipeRun) {
    const ProcessResult r = send();
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err << peer.log();
    EXPECT_THAT(r.out, HasSubstr("progress: Uploading 1/1\u2026 | Overall 100% \u00b7 item 1/1 \u00b7 file 100%"));
    // The recipe's start lasts one request; the 20 ms sampling of --progress may pass it by, so
    // the verified upload is checked on the line that follows it.
    EXPECT_THAT(r.out, HasSubstr("| Overall 100% \u00b7 uploaded + verified 1/1"));
    EXPECT_THAT(r.out, ::testing::EndsWith("\ncompleted: Run accepted \u00b7 run-1 \u00b7 job-1\n"));
    // Upload, verification, submission, then (once the payload's scan has fingerprinted the
    // project) the observation.
    std::vector<std::string> order;
    for (const auto& p : paths()) {
        if (p == "/ws/cmd" || p == "/api/stat" || p == "/api/jobs/submit" || p == "/api/jobs/artifact-observation") {
            order.push_back(p);
        }
    }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 3),
              (std::vector<std::string>{"/ws/cmd", "/api/stat", "/api/jobs/submit"}));
    if (order.size() > 3) {
        EXPECT_EQ(order.back(), "/api/jobs/artifact-observation");
    }

    // The server runs the job: unzip, then deploy.sh from the project folder.
    platform::Json job;
    tarvo_test::testQueue().runUntil(
        [&] {
            job = peer.jobs().at(0);
            return !job["exit_code"].is_null();
        },
        tarvo_test::kTaskLimit);
    ASSERT_EQ(job["exit_code"], 0) << tarvo_test::readFile(job["log_path"].get<std::string>());
    const auto deployed = std::filesystem::path(peer.filesRoot()) / "sites/sample/project/public/index.html";
    EXPECT_TRUE(std::filesystem::is_regular_file(deployed));
    EXPECT_THAT(tarvo_test::readFile(job["log_path"].get<std::string>()), HasSubstr("deployed 1 file(s)"));

    // What the Tarvo app reads next: the hand-off to the folder, the last server.
    EXPECT_THAT(stored("share.launchHandoff.json"), HasSubstr("\"path\":\"sites/sample\""));
    EXPECT_EQ(stored("share.lastServerId"), "staging");
}

TEST_F(ShareProgramSendTest, ASubmissionRefusedLeavesTheShareOpenWithItsError) {
    peer.addRule(platform::Json{{"path", "/api/jobs/submit"}, {"status", 500}, {"body", "no runner"}});
    const ProcessResult r = send();
    ASSERT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nopen: Done with 1 error(s):\\n1/1: HTTP 500\n"));
    EXPECT_TRUE(peer.jobs().empty());
    EXPECT_EQ(stored("share.launchHandoff.json"), "");
}

TEST_F(ShareProgramSendTest, TheServerUnreachable) {
    useSampleServers("http://127.0.0.1:" + std::to_string(peer::PeerServer::unusedPort()));
    const ProcessResult r = send();
    ASSERT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nopen: Done with 1 error(s):\\n1/1: "));
}

}  // namespace
}  // namespace share_test
