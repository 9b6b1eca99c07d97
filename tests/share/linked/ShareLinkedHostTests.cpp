// tarvo-share with NVK tickets among the items: the linked cards in the text dump, a capsule
// tapped by a step, the approval sent to the loopback server all at once and one by one, and
// the page with the linked cards in headless chromium, light and dark.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "tests/peer/PeerServer.h"
#include "tests/share/linked/NVKTicketFixtures.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/HeadlessChromium.h"
#include "tests/support/Process.h"

namespace share_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using tarvo_test::ProcessResult;

// The present of the fixtures' tickets, as --now takes it (the half second is below its grain).
constexpr const char* kNow = "2025-12-10T23:30:00Z";

class LinkedShareProgramTest : public ShareProgramFixture {
protected:
    LinkedShareProgramTest() : ShareProgramFixture("share-linked") {}
    void SetUp() override {
        write("servers.json", tarvo_test::readFile(source("samples/share/servers.json")));
        writeFile(home.path() + "/shop.zip", "PK\x05\x06" + std::string(18, '\0'));
        writeFile(home.path() + "/shop.nvk-deploy.json",
                  platform::encodeCompact(nvkDeploymentTicket(server.nvkApprovalURL("cap-1") + "#f")));
        writeFile(home.path() + "/shop.nvk-return.json", platform::encodeCompact(nvkReplyTicket()));
    }
    // The three shared items at kNow with the steps (this hides the fixture's share, which it
    // calls).
    ProcessResult share(std::vector<std::string> steps, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"--now", kNow};
        for (const auto& s : extra) args.push_back(s);
        for (const auto& s : doSteps(steps)) args.push_back(s);
        for (const char* item : {"/shop.zip", "/shop.nvk-deploy.json", "/shop.nvk-return.json"}) {
            args.push_back(home.path() + item);
        }
        return ShareProgramFixture::share(std::move(args));
    }
    platform::Json approvals() { return server.requestsTo("/nvk/approve/cap-1"); }

    peer::PeerServer server;
};

TEST_F(LinkedShareProgramTest, LinkedCardsInTheDumpAndACapsuleTapped) {
    const ProcessResult r = share({"tap:linkedTarget:t2", "dump"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    // The first dump (after the tap) and the final one are alike: check the final one.
    const std::string screen = r.out.substr(r.out.rfind("Window 390x844"));
    EXPECT_THAT(screen, HasSubstr("Label #linkedDeploymentTitleLabel \"NVK exact-version deployment\""));
    EXPECT_THAT(screen, HasSubstr("change chg-42\\nbatch batch-9"));
    EXPECT_THAT(screen, HasSubstr("Button #linkedDeploymentFallbackButton \"Use regular Tarvo deploy\""));
    EXPECT_THAT(screen, HasSubstr("VStack #linkedTargetCard:t1"));
    EXPECT_THAT(screen, HasSubstr("Button #linkedTarget:t1 \"Selected\" image=checkmark.circle.fill"));
    EXPECT_THAT(screen, HasSubstr("Button #linkedTarget:t2 \"Add\" image=circle"));
    EXPECT_THAT(screen, HasSubstr("Button #linkedTarget:t3 \"blocked\" image=clock.badge.checkmark"));
    EXPECT_THAT(screen, HasSubstr("Alpha \u00B7 deploy \u2192 apps/t1 \u00B7 ./deploy.sh --exact \u00B7 required"));
    EXPECT_THAT(screen, HasSubstr("Beta \u00B7 deploy \u2192 apps/t2 \u00B7 ./deploy.sh --exact \u00B7 optional"));
    EXPECT_THAT(screen, Not(HasSubstr("SegmentedControl #actionControl"))) << "hidden while linked";
    // A capsule tap refreshes the screen: the dock's detail line is the status then.
    EXPECT_THAT(r.out, ::testing::EndsWith("\nopen: Exact targets are verified from NVK metadata.\n"));
    EXPECT_TRUE(approvals().empty()) << "nothing is sent before Send";
}

TEST_F(LinkedShareProgramTest, SendApprovesAllAtOnce) {
    const ProcessResult r = share({"tap:linkedTarget:t2", "tap:sendButton", "wait"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_THAT(r.out, ::testing::EndsWith(
                           "\ncompleted: NVK batch dispatched. The terminal result will return to NVK Browser.\n"));
    const platform::Json requests = approvals();
    ASSERT_EQ(requests.size(), 1u);
    const platform::Json body = platform::parseJson(requests[0].at("body_text").get<std::string>());
    EXPECT_EQ(body.at("targetIds"), platform::Json::array({"t1"})) << "t2 was taken out by the tap";
    EXPECT_EQ(body.at("interactionReply").at("targetId"), "browser-3");
}

TEST_F(LinkedShareProgramTest, OneByOneWithAlertsAndAFailure) {
    write("share.multiDispatchMode", "oneByOne");
    server.setNVKApprovalReplies("cap-1", platform::Json::array({{{"status", 500}, {"body", std::string(2000, 'e')}}}));
    const ProcessResult skipped = share({"tap:sendButton", "wait", "alert:Skip", "alert:Skip"});
    ASSERT_EQ(skipped.exitCode, 3) << skipped.err;
    EXPECT_THAT(skipped.out, ::testing::EndsWith("\nopen: No target was approved.\n"));
    EXPECT_TRUE(approvals().empty());

    const ProcessResult failed = share({"tap:sendButton", "wait", "alert:Deploy"});
    ASSERT_EQ(failed.exitCode, 3) << failed.err;
    EXPECT_THAT(failed.out, ::testing::EndsWith("\nopen: Linked deployment failed: " + std::string(500, 'e') + "\n"));
    EXPECT_EQ(approvals().size(), 1u);

    const ProcessResult done = share({"tap:sendButton", "wait", "alert:Skip", "alert:Deploy"});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    ASSERT_EQ(approvals().size(), 2u);
    EXPECT_EQ(platform::parseJson(approvals()[1].at("body_text").get<std::string>()).at("targetIds"),
              platform::Json::array({"t2"}));
}

TEST_F(LinkedShareProgramTest, ExpiredTicketLeavesAPlainShare) {
    const ProcessResult r = ShareProgramFixture::share(
        {"--now", "2030-01-01T00:00:00Z", home.path() + "/shop.zip", home.path() + "/shop.nvk-deploy.json"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, ::testing::EndsWith(
                           "\nopen: NVK deployment context could not be read. This share will remain a legacy Tarvo handoff.\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("linkedTargetCard")));
}

TEST_F(LinkedShareProgramTest, LinkedCardsOnThePageInLightAndDark) {
    if (!tarvo_test::findChromium()) GTEST_SKIP() << "no chromium installed";
    const std::string html = home.path() + "/linked.html";
    const ProcessResult r = share({}, {"--html", html});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    const platform::Json phones = tarvo_test::readBackPhones(
        tarvo_test::readFile(html),
        "  var box = function (role) { var e = phone.querySelector('[data-role=\"' + role + '\"]');"
        "    if (!e) return null; var r = e.getBoundingClientRect();"
        "    return {top: r.top, left: r.left, right: r.right, height: r.height, text: e.innerText,"
        "            background: getComputedStyle(e).backgroundColor}; };"
        "  out.push({card: box('linkedDeploymentCard'), servers: box('serversSectionLabel'),"
        "            t1: box('linkedTargetCard:t1'), t2: box('linkedTargetCard:t2'),"
        "            t3: box('linkedTargetCard:t3'), capsule: box('linkedTarget:t1'),"
        "            title: box('linkedDeploymentTitleLabel')});",
        home.path());
    ASSERT_EQ(phones.size(), 2u) << "light and dark";
    EXPECT_NE(phones[0]["t1"]["background"], phones[1]["t1"]["background"]) << "the tint follows the appearance";
    for (const auto& phone : phones) {
        for (const char* key : {"card", "servers", "t1", "t2", "t3", "capsule", "title"}) {
            ASSERT_FALSE(phone[key].is_null()) << key << " is not on the page";
            EXPECT_GT(phone[key]["height"].get<double>(), 0) << key << " is drawn";
        }
        EXPECT_LT(phone["card"]["top"].get<double>(), phone["servers"]["top"].get<double>()) << "card above the servers";
        EXPECT_LT(phone["t1"]["top"].get<double>(), phone["t2"]["top"].get<double>());
        EXPECT_LT(phone["t2"]["top"].get<double>(), phone["t3"]["top"].get<double>());
        EXPECT_GT(phone["capsule"]["left"].get<double>(), phone["t1"]["left"].get<double>() + 100)
            << "the capsule sits at the card's trailing end";
        EXPECT_THAT(phone["title"]["text"].get<std::string>(), HasSubstr("NVK exact-version deployment"));
        EXPECT_THAT(phone["t2"]["text"].get<std::string>(), HasSubstr("Target t2"));
        EXPECT_THAT(phone["capsule"]["text"].get<std::string>(), HasSubstr("Selected"));
    }
}

}  // namespace
}  // namespace share_test
