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

class ShareProgramSendTest : public ShareSampleSendFixture {
protected:
    ShareProgramSendTest() : ShareSampleSendFixture("share-program-send") {}
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

// Two servers, each its own loopback server, so what was sent where is known: staging (its
// stored recipe runs deploy.sh) and prod (a plain upload).
class ShareProgramTwoServersTest : public ShareProgramFixture {
protected:
    ShareProgramTwoServersTest() : ShareProgramFixture("share-program-two") {}
    void SetUp() override {
        platform::Json servers = platform::parseJson(tarvo_test::readFile(source("samples/share/servers.json")));
        servers[0]["urlString"] = staging.baseURL();
        servers[1]["urlString"] = prod.baseURL();
        write("servers.json", servers.dump());
        write("activeServerId", "staging");
        useSampleDrafts();
    }
    // tarvo-share on the sample project: the steps, then the screen's dump, then Send.
    ProcessResult shareAndSend(const std::vector<std::string>& steps) {
        std::vector<std::string> args = doSteps(steps);
        for (const char* s : {"wait", "dump", "tap:sendButton"}) {
            args.push_back("--do");
            args.push_back(s);
        }
        args.push_back(source("samples/share/project"));
        return share(args);
    }
    // The screen as dumped before Send: the first dump of the output.
    static std::string screenBeforeSend(const std::string& out) {
        const auto second = out.find("\nWindow ", 1);
        return second == std::string::npos ? out : out.substr(0, second);
    }
    // The text the dump shows for a view's identifier ("" when the view is not shown).
    static std::string shown(const std::string& dump, const std::string& id) {
        const std::string tag = "#" + id + " \"";
        const auto at = dump.find(tag);
        if (at == std::string::npos) return "";
        const auto start = at + tag.size();
        return dump.substr(start, dump.find('"', start) - start);
    }
    // The names of the servers that received an upload (its verification), in list order.
    std::vector<std::string> uploadedTo() {
        std::vector<std::string> names;
        if (!staging.requestsTo("/api/stat").empty()) names.push_back("Staging box");
        if (!prod.requestsTo("/api/stat").empty()) names.push_back("Production");
        return names;
    }
    void forgetRequests() {
        staging.reset();
        prod.reset();
    }

    peer::PeerServer staging{peer::PeerServer::Options{"sample-token", "sample-token"}};
    peer::PeerServer prod{peer::PeerServer::Options{"sample-token", "sample-token"}};
};

// The project's remembered multi-server choice, as the app leaves it after a share of the project
// in multi mode: the screen shows both servers everywhere, and Send goes to both.
TEST_F(ShareProgramTwoServersTest, ARememberedProjectModeIsShownEverywhereAndIsWhatSendDoes) {
    const ProcessResult look = share({"--do", "wait", source("samples/share/project")});
    ASSERT_EQ(look.exitCode, 3) << look.out << look.err;
    const platform::Json asked = staging.requestsTo("/api/jobs/recommend");
    ASSERT_FALSE(asked.empty()) << staging.log();
    const std::string digest =
        platform::parseJson(asked[0]["body_text"].get<std::string>())["signature"]["exact_digest"].get<std::string>();
    write("share.project.serverMode." + digest, "multi");
    defaults({"write", "group.nolvek.Tarvo", "share.project.multiServerIds." + digest, "--json", R"(["staging","prod"])"});
    forgetRequests();

    const ProcessResult r = shareAndSend({});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string screen = screenBeforeSend(r.out);
    EXPECT_THAT(screen, HasSubstr("#serverModeControl \"Single\" *\"Multi\"")) << screen;
    EXPECT_EQ(shown(screen, "itemsLabel"), "project.zip \u00b7 Upload + Run \u2192 2 servers") << screen;
    EXPECT_EQ(shown(screen, "statusLabel"), "Staging box \u00b7 Production") << screen;
    EXPECT_EQ(shown(screen, "sendButton"), "Upload + Run \u2192 2") << screen;
    EXPECT_EQ(shown(screen, "serverButton"), "") << "one server's button is not shown in multi mode";
    EXPECT_EQ(uploadedTo(), (std::vector<std::string>{"Staging box", "Production"}));
}

// Multi with both servers, then single on staging, then the next share: the person's last
// choice (single, staging) is what the screen shows and what Send does, although the project
// still remembers the two servers of the earlier multi choice.
TEST_F(ShareProgramTwoServersTest, TheLastModeChosenForTheProjectWinsOverItsEarlierServers) {
    ProcessResult r = shareAndSend({"wait", "segment:serverModeControl=Multi", "tap:serverSelect:prod"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    ASSERT_EQ(uploadedTo(), (std::vector<std::string>{"Staging box", "Production"}));
    forgetRequests();

    r = shareAndSend({"wait", "segment:serverModeControl=Single"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    ASSERT_EQ(uploadedTo(), (std::vector<std::string>{"Staging box"}));
    forgetRequests();

    r = shareAndSend({});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string screen = screenBeforeSend(r.out);
    EXPECT_THAT(screen, HasSubstr("#serverModeControl *\"Single\" \"Multi\"")) << screen;
    EXPECT_EQ(shown(screen, "itemsLabel"), "project.zip \u00b7 Upload + Run \u2192 Staging box") << screen;
    EXPECT_EQ(shown(screen, "sendButton"), "Upload + Run") << screen;
    EXPECT_EQ(shown(screen, "serverButton"), "Staging box") << screen;
    EXPECT_EQ(uploadedTo(), (std::vector<std::string>{"Staging box"}));
}

}  // namespace
}  // namespace share_test
