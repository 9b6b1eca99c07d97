// The approval's rules and the linked texts as tables: the request URL, the body with and
// without the reply ticket, a refusal turned into the error shown, and the counted texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentApproval.h"
#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentText.h"
#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "tests/share/linked/NVKTicketFixtures.h"

namespace share_test {
namespace {

using namespace tarvo::share;
using platform::Json;

TEST(LinkedDeploymentApproval, RequestURLDropsOnlyTheFragment) {
    EXPECT_EQ(linkedApprovalRequestURL("https://o.example/a/b?c=d+e&f=%2F#frag"), "https://o.example/a/b?c=d+e&f=%2F");
    EXPECT_EQ(linkedApprovalRequestURL("HTTP://127.0.0.1:8080/cap"), "HTTP://127.0.0.1:8080/cap");
    for (const char* bad : {"ftp://o.example/x", "https://u@o.example/x", "https://u:p@o.example/", "/relative",
                            "", "not a url at all"}) {
        SCOPED_TRACE(bad);
        try {
            linkedApprovalRequestURL(bad);
            ADD_FAILURE() << "accepted";
        } catch (const platform::NSError& e) {
            EXPECT_EQ(e.domain(), "ShareExtension");
            EXPECT_EQ(e.code(), 41);
            EXPECT_EQ(e.localizedDescription(), "NVK capability URL is invalid.");
        }
    }
}

TEST(LinkedDeploymentApproval, BodyWithAndWithoutTheReplyTicket) {
    EXPECT_EQ(linkedApprovalBody({"t1", "t2"}, std::nullopt), R"({"action":"approve","targetIds":["t1","t2"]})");
    const auto reply = decodeNVKInteractionReplyTicket(nvkReplyTicket());
    const Json body = platform::parseJson(linkedApprovalBody({"t2"}, interactionReplyJson(reply)));
    EXPECT_EQ(body.at("interactionReply").at("expiresAtMs"), kExpiresAtMs) << "times as JSON integers";
    EXPECT_TRUE(body.at("interactionReply").at("expiresAtMs").is_number_integer());
    EXPECT_EQ(decodeNVKInteractionReplyTicket(body.at("interactionReply")), reply) << "the whole ticket travels";
}

TEST(LinkedDeploymentApproval, RefusalTexts) {
    auto refusal = [](int status, const std::string& body) {
        return linkedApprovalRefusal(status, std::vector<std::uint8_t>(body.begin(), body.end()));
    };
    struct Case {
        int status;
        std::string body;
        std::string description;
    };
    std::string graphemes;
    for (int i = 0; i < 501; ++i) graphemes += "e\xCC\x81";  // e + combining acute: one character
    std::string expectedGraphemes;
    for (int i = 0; i < 500; ++i) expectedGraphemes += "e\xCC\x81";
    const std::vector<Case> cases = {
        {409, "", "NVK Ostrel returned HTTP 409."},
        {500, std::string(2000, 'z'), std::string(500, 'z')},
        {502, graphemes, expectedGraphemes},
        {503, "\xFF\xFE not UTF-8", "NVK Ostrel returned HTTP 503."},
        {0, "", "NVK Ostrel returned HTTP 0."},
        {400, "{\"error\":\"expired\"}", "{\"error\":\"expired\"}"},
    };
    for (const auto& c : cases) {
        const platform::NSError e = refusal(c.status, c.body);
        EXPECT_EQ(e.domain(), "ShareExtension");
        EXPECT_EQ(e.code(), c.status);
        EXPECT_EQ(e.localizedDescription(), c.description) << c.status;
    }
}

TEST(LinkedDeploymentText, CountsAndPlurals) {
    EXPECT_EQ(linkedDeploymentStatus(1), "Linked to 1 exact deployment target.");
    EXPECT_EQ(linkedDeploymentStatus(2), "Linked to 2 exact deployment targets.");
    EXPECT_EQ(linkedDispatchedStatus(1, 3), "Dispatched 1/3 exact target");
    EXPECT_EQ(linkedDispatchedStatus(2, 3), "Dispatched 2/3 exact targets") << "the plural follows the dispatched count";
    EXPECT_EQ(linkedApprovalTitle(2, 3), "Deploy 2 of 3?");
    auto reply = decodeNVKInteractionReplyTicket(nvkReplyTicket());
    EXPECT_EQ(linkedDispatchSuccessText(true, reply), "NVK batch dispatched. The terminal result will return to NVK Browser.");
    EXPECT_EQ(linkedDispatchSuccessText(false, reply), "NVK batch dispatched.");
    EXPECT_EQ(linkedDispatchSuccessText(true, std::nullopt), "NVK batch dispatched.");
    reply.targetLabel.clear();
    EXPECT_EQ(linkedDispatchSuccessText(true, reply), "NVK batch dispatched. The terminal result will return to browser-3.");
}

TEST(LinkedDeploymentText, TargetDetailAndApprovalMessage) {
    auto target = decodeNVKLinkedTarget(nvkTarget("t2", "", true));
    target.execution.destination.clear();
    target.execution.command = " \t\n";
    EXPECT_EQ(linkedTargetDetail(target), " \u00B7 deploy \u2192 server root \u00B7 optional") << "empty server name kept";
    EXPECT_EQ(linkedApprovalMessage(target), "\ndeploy \u2192 server root");
    target.label.clear();
    target.serverName = "Beta";
    target.required = true;
    target.execution.command = "  make deploy\n";
    EXPECT_EQ(linkedTargetTitle(target), "Beta");
    EXPECT_EQ(linkedTargetDetail(target), "Beta \u00B7 deploy \u2192 server root \u00B7 make deploy \u00B7 required");
    EXPECT_EQ(linkedApprovalMessage(target), "Beta\ndeploy \u2192 server root\nmake deploy");
    // "succeeded" is exact: another letter case is not done.
    target.state = "Succeeded";
    target.canApprove = false;
    EXPECT_EQ(linkedTargetPresentation(target, {}), LinkedTargetPresentation::waiting);
    const auto capsule = linkedTargetCapsule(target, {}, false);
    EXPECT_EQ(capsule.title, "Succeeded");
    EXPECT_FALSE(capsule.enabled);
}

}  // namespace
}  // namespace share_test
