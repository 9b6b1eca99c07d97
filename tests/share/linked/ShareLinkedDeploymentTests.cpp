// The linked, exact-version deployment in the share controller: tickets set aside at start-up
// and applied by their loading tasks, the falling back to a regular deploy, the approval
// against the loopback server (all at once and one by one), and the target cards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIAlertController.h"
#include "tests/share/linked/NVKTicketFixtures.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;
using ::testing::ElementsAre;

class LinkedDeploymentTest : public ::testing::Test {
protected:
    LinkedDeploymentTest() : env(ShareTestEnvironment::Options{.loopbackServer = true, .now = kNowSeconds}) {
        env.setServers(Json::array({env.server("a", "Alpha server")}));
    }

    // A file of the test's folder shared as a file item.
    std::shared_ptr<NSItemProvider> fileNamed(const std::string& name, const std::string& contents) {
        const std::string path = (files / name).string();
        writeFile(path, contents);
        return NSItemProvider::contentsOf(path);
    }
    std::shared_ptr<NSItemProvider> ticket(const std::string& name, const Json& json) {
        return fileNamed(name, encodeCompact(json));
    }
    std::shared_ptr<NSItemProvider> photo() { return fileNamed("photo.jpg", "\xFF\xD8\xFF\xE0 not much of a photo"); }

    // The capability URL at the loopback server, with a query and a fragment that must not travel.
    std::string capability(const std::string& name = "cap-1") {
        return env.server()->nvkApprovalURL(name) + "?k=a+b#fragment";
    }

    tarvo::ShareViewController& startLinked(bool withReply = true, Json deployment = Json()) {
        if (deployment.is_null()) deployment = nvkDeploymentTicket(capability());
        std::vector<std::shared_ptr<NSItemProvider>> items{photo(), ticket("Batch.NVK-DEPLOY.JSON", deployment)};
        if (withReply) items.push_back(ticket("reply.nvk-return.json", nvkReplyTicket()));
        return *env.start(items);
    }

    Json approvals(const std::string& name = "cap-1") { return env.server()->requestsTo("/nvk/approve/" + name); }
    static Json bodyOf(const Json& request) { return parseJson(request.at("body_text").get<std::string>()); }
    static std::string header(const Json& request, const std::string& name) {
        for (const auto& h : request.at("headers")) {
            if (text::equalsIgnoringCase(h.at(0).get<std::string>(), name)) return h.at(1).get<std::string>();
        }
        return "(none)";
    }
    std::shared_ptr<UIAlertController> shownAlert() {
        auto presented = env.controller().presentedViewController();
        return std::dynamic_pointer_cast<UIAlertController>(presented);
    }
    void send() {
        env.driver().tap(std::string(roles::sendButton));
        env.runUntilIdle();
    }

    ShareTestEnvironment env;
    tarvo_test::TempDir files{"nvk-items"};
};

TEST_F(LinkedDeploymentTest, StartUpSetsTicketsAsideAndLinksTheBatch) {
    auto& c = startLinked();
    ASSERT_EQ(c.providers.size(), 1u) << "only the photo is payload";
    EXPECT_EQ(c.typeKey, "image");
    EXPECT_EQ(c.deploymentSidecarProviders.size(), 1u) << "the suffix test ignores case";
    EXPECT_EQ(c.returnSidecarProviders.size(), 1u);

    ASSERT_TRUE(c.linkedDeployment.has_value());
    EXPECT_EQ(c.availableLinkedDeployment, c.linkedDeployment);
    EXPECT_EQ(c.linkedDeployment->batchId, "batch-9");
    EXPECT_THAT(c.selectedLinkedTargetIDs, ElementsAre("t1", "t2")) << "only approvable targets";
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::multi);
    EXPECT_EQ(c.serverModeControl->selectedSegmentIndex, 1);
    EXPECT_FALSE(env.appGroupDefaults().string("share.serverMode").has_value()) << "the remembered mode is not written";
    EXPECT_EQ(c.linkedDeploymentTitleLabel->text, "NVK exact-version deployment");
    EXPECT_EQ(c.linkedDeploymentSubtitleLabel->text,
              "change chg-42\nbatch batch-9\nApproval dispatches this immutable Ostrel batch. With Return Result "
              "enabled, success types a compact confirmation and any terminal error drops the complete run.log into "
              "the source NVK browser.");
    // The two tickets load side by side, so which status stands first depends on which ends
    // last; the next derived refresh writes the dock's detail line over the ticket's status
    // (the refresh owns the status line while not busy).
    c.refreshDerivedUI();
    EXPECT_EQ(c.statusLabel->text, "Exact targets are verified from NVK metadata.");
    EXPECT_FALSE(c.linkedDeploymentCard->hidden);
    EXPECT_TRUE(c.actionControl->hidden);
    EXPECT_EQ(c.multiServerStack->arrangedSubviews().size(), 3u) << "one card per target";

    ASSERT_TRUE(c.interactionReply.has_value());
    EXPECT_EQ(c.interactionReply->targetId, "browser-3");
    EXPECT_TRUE(c.returnResultSwitch->on);
    EXPECT_FALSE(c.returnResultRow->hidden);
    EXPECT_EQ(c.returnResultLabel->text,
              "Return result to NVK Browser\nSuccess types a compact confirmation. Failure drops the complete run.log.");
}

TEST_F(LinkedDeploymentTest, StatusCountsTargetsAndReplyFallsBackToItsId) {
    Json one = nvkDeploymentTicket(capability());
    one["targets"] = Json::array({nvkTarget("t9", "Solo", false)});
    Json reply = nvkReplyTicket();
    reply["targetLabel"] = "";
    auto& c = *env.start({photo(), ticket("a.nvk-deploy.json", one), ticket("b.nvk-return.json", reply)});
    // The tickets load side by side: whichever ends last wrote the status, so it is read after
    // the next derived refresh.
    c.refreshDerivedUI();
    EXPECT_EQ(c.statusLabel->text, "Exact targets are verified from NVK metadata.") << "the refresh after the reply ticket";
    EXPECT_TRUE(c.selectedLinkedTargetIDs.empty()) << "linked although nothing can be approved";
    EXPECT_TRUE(c.linkedDeployment.has_value());
    EXPECT_EQ(c.returnResultLabel->text,
              "Return result to browser-3\nSuccess types a compact confirmation. Failure drops the complete run.log.");
}

// Tickets that cannot be read leave a plain share; the first valid ticket in share order wins.
TEST_F(LinkedDeploymentTest, UnreadableTicketsLeaveAPlainShare) {
    Json expired = nvkDeploymentTicket(capability());
    expired["expiresAtMs"] = kNowMs;
    Json second = nvkDeploymentTicket(capability());
    second["changeId"] = "chg-second";
    Json third = nvkDeploymentTicket(capability());
    third["changeId"] = "chg-third";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> tickets;
        std::optional<std::string> changeId;
    };
    const std::vector<Case> cases = {
        {"expired", {{"x.nvk-deploy.json", encodeCompact(expired)}}, std::nullopt},
        {"malformed", {{"x.nvk-deploy.json", "{\"schema\":"}}, std::nullopt},
        {"a reply ticket under the deployment suffix", {{"x.nvk-deploy.json", encodeCompact(nvkReplyTicket())}}, std::nullopt},
        {"first invalid, second valid",
         {{"1.nvk-deploy.json", encodeCompact(expired)}, {"2.nvk-deploy.json", encodeCompact(second)}},
         "chg-second"},
        {"two valid", {{"1.nvk-deploy.json", encodeCompact(second)}, {"2.nvk-deploy.json", encodeCompact(third)}}, "chg-second"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<std::shared_ptr<NSItemProvider>> items{photo()};
        for (const auto& [name, contents] : k.tickets) items.push_back(fileNamed(name, contents));
        auto& c = *env.start(items);
        if (k.changeId) {
            ASSERT_TRUE(c.linkedDeployment.has_value());
            EXPECT_EQ(c.linkedDeployment->changeId, *k.changeId);
        } else {
            EXPECT_FALSE(c.linkedDeployment.has_value());
            EXPECT_FALSE(c.availableLinkedDeployment.has_value());
            EXPECT_EQ(c.statusLabel->text,
                      "NVK deployment context could not be read. This share will remain a legacy Tarvo handoff.");
            EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single);
            EXPECT_TRUE(c.linkedDeploymentCard->hidden);
            EXPECT_EQ(c.providers.size(), 1u) << "the ticket is still not payload";
        }
        env.releaseController();
    }
}

TEST_F(LinkedDeploymentTest, NoTicketNoTicketText) {
    auto& c = *env.start({photo(), ticket("r.nvk-return.json", Json::object())});
    EXPECT_FALSE(c.interactionReply.has_value());
    EXPECT_TRUE(c.returnResultRow->hidden);
    EXPECT_EQ(c.statusLabel->text.find("NVK"), std::string::npos) << "a bad reply ticket is not reported";
}

// A ticket whose suggested name hides it is recognised by the name of its materialised file,
// as the insight scan passes it on.
TEST_F(LinkedDeploymentTest, TicketFoundByItsFileNameIsApplied) {
    auto& c = *env.start({photo()});
    const std::string path = (files / "inner.nvk-deploy.json").string();
    writeFile(path, encodeCompact(nvkDeploymentTicket(capability())));
    const auto decoded = c.decodeNVKSidecar(tarvo::TempItem{URL::fileURL(path), "inner.nvk-deploy.json", "application/json"});
    ASSERT_TRUE(decoded.has_value());
    c.applyNVKSidecar(*decoded);
    EXPECT_TRUE(c.linkedDeployment.has_value());
    EXPECT_EQ(c.statusLabel->text, "Linked to 3 exact deployment targets.");
}

TEST_F(LinkedDeploymentTest, SavedPresetPreferringRegularDeployKeepsTheTicketAside) {
    auto& c = *env.start({photo()});
    tarvo::ArtifactProjectSignature signature;
    signature.exactDigest = "exact-1";
    signature.pathDigest = "path-1";
    signature.normalizedPaths = {"deploy.sh", "index.html"};
    c.artifactInsight.projectSignature = signature;
    c.smartShareMemory->setAutomaticConfiguration(signature, "multi", {"a"}, "a", "all", true, env.appGroupDefaults());
    c.applyNVKSidecar(tarvo::share::decodeNVKLinkedDeployment(nvkDeploymentTicket(capability())));
    EXPECT_FALSE(c.linkedDeployment.has_value());
    EXPECT_TRUE(c.availableLinkedDeployment.has_value());
    EXPECT_TRUE(c.selectedLinkedTargetIDs.empty());
    EXPECT_EQ(c.statusLabel->text, "Using your saved automatic Tarvo preset instead of the NVK exact batch.");
    EXPECT_TRUE(c.linkedDeploymentCard->hidden);
    EXPECT_EQ(c.automaticConfigurationAppliedDigest, std::optional<std::string>("exact-1"))
        << "the remembered configuration was applied in the batch's place";
}

// The saved configuration that takes the batch's place names another server: the server
// button names the server whose draft is now on the screen.
TEST_F(LinkedDeploymentTest, ASavedPresetOnAnotherServerIsWhatTheServerButtonShows) {
    env.setServers(Json::array({env.server("a", "Alpha server"), env.server("b", "Beta server")}));
    auto& c = *env.start({photo()});
    ASSERT_EQ(c.draft.serverId, "a");
    tarvo::ArtifactProjectSignature signature;
    signature.exactDigest = "exact-1";
    c.artifactInsight.projectSignature = signature;
    c.smartShareMemory->setAutomaticConfiguration(signature, "single", {"b"}, "b", "all", true, env.appGroupDefaults());
    c.applyNVKSidecar(tarvo::share::decodeNVKLinkedDeployment(nvkDeploymentTicket(capability())));
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single);
    EXPECT_FALSE(c.serverButton->hidden);
    EXPECT_EQ(c.serverButton->configuration->title, "Beta server");
}

TEST_F(LinkedDeploymentTest, FallingBackToTheRegularDeploy) {
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("Multi")));
    auto& c = startLinked();
    c.isBusy = true;
    env.driver().tap(std::string(roles::linkedDeploymentFallbackButton));
    EXPECT_TRUE(c.linkedDeployment.has_value()) << "ignored while a send runs";
    c.isBusy = false;
    env.driver().tap(std::string(roles::linkedDeploymentFallbackButton));
    env.runUntilIdle();
    EXPECT_FALSE(c.linkedDeployment.has_value());
    ASSERT_TRUE(c.availableLinkedDeployment.has_value());
    EXPECT_EQ(c.availableLinkedDeployment->changeId, "chg-42");
    EXPECT_TRUE(c.selectedLinkedTargetIDs.empty());
    EXPECT_TRUE(c.deploymentSidecarProviders.empty());
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single) << "only the exact text multi restores multi";
    EXPECT_EQ(c.serverModeControl->selectedSegmentIndex, 0);
    EXPECT_EQ(c.statusLabel->text, "Regular Tarvo deploy enabled. Choose servers or use the predicted deploy set.");
    EXPECT_TRUE(c.linkedDeploymentCard->hidden);
    EXPECT_TRUE(c.interactionReply.has_value()) << "the reply ticket stays";
}

// ---- Approval.

TEST_F(LinkedDeploymentTest, DeployAllSendsOneApprovalWithTheReplyTicket) {
    auto& c = startLinked();
    env.driver().tap(std::string(roles::sendButton));
    EXPECT_TRUE(c.isBusy);
    EXPECT_TRUE(env.mainQueue().runUntil(
        [&] { return c.statusLabel->text == "Authorizing exact deployment batch\u2026"; }, std::chrono::seconds(10)));
    env.runUntilIdle();
    const Json requests = approvals();
    ASSERT_EQ(requests.size(), 1u) << env.server()->log();
    const Json& r = requests[0];
    EXPECT_EQ(r.at("method"), "POST");
    EXPECT_EQ(r.at("query"), "k=a+b") << "query kept as written, fragment left out";
    EXPECT_EQ(header(r, "Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(header(r, "Accept"), "application/json");
    Json expected = Json::object();
    expected["action"] = "approve";
    expected["targetIds"] = Json::array({"t1", "t2"});
    expected["interactionReply"] = nvkReplyTicket();
    EXPECT_EQ(nlohmann::json::parse(bodyOf(r).dump()), nlohmann::json::parse(expected.dump()));
    EXPECT_EQ(c.statusLabel->text, "NVK batch dispatched. The terminal result will return to NVK Browser.");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_TRUE(c.transferFinished);
}

TEST_F(LinkedDeploymentTest, ReturnResultOffOrAbsentSendsNoReply) {
    for (const bool withReply : {true, false}) {
        SCOPED_TRACE(withReply);
        env.server()->reset();
        auto& c = startLinked(withReply);
        if (withReply) c.returnResultSwitch->setOn(false);
        send();
        const Json requests = approvals();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_FALSE(bodyOf(requests[0]).contains("interactionReply"));
        EXPECT_EQ(c.statusLabel->text, "NVK batch dispatched.");
        env.releaseController();
    }
}

TEST_F(LinkedDeploymentTest, AnswersOfNVKOstrel) {
    const std::string longBody = std::string(1500, 'a') + std::string(500, 'b');
    struct Case {
        Json reply;
        bool success;
        std::string status;
    };
    const std::vector<Case> cases = {
        {Json{{"status", 204}}, true, "NVK batch dispatched. The terminal result will return to NVK Browser."},
        {Json{{"status", 409}}, false, "Linked deployment failed: NVK Ostrel returned HTTP 409."},
        {Json{{"status", 500}, {"body", longBody}}, false, "Linked deployment failed: " + std::string(500, 'a')},
        {Json{{"status", 302}, {"body", "\xC3\xA9t\xC3\xA9 \xE2\x86\x92 ok"}}, false, "Linked deployment failed: \xC3\xA9t\xC3\xA9 \xE2\x86\x92 ok"},
    };
    int n = 0;
    for (const auto& k : cases) {
        const std::string cap = "cap-" + std::to_string(++n);
        SCOPED_TRACE(cap);
        env.server()->setNVKApprovalReplies(cap, Json::array({k.reply}));
        auto& c = startLinked(true, nvkDeploymentTicket(capability(cap)));
        send();
        EXPECT_EQ(approvals(cap).size(), 1u);
        EXPECT_EQ(c.statusLabel->text, k.status);
        const auto state = env.context().outcome().state;
        EXPECT_EQ(state == NSExtensionContext::RequestState::completed, k.success);
        if (!k.success) {
            EXPECT_FALSE(c.isBusy);
            EXPECT_TRUE(c.sendButton->enabled) << "the user may send again";
            EXPECT_TRUE(c.linkedDeployment.has_value());
        }
        env.releaseController();
    }
}

TEST_F(LinkedDeploymentTest, InvalidCapabilityURLFailsBeforeAnyRequest) {
    auto& c = startLinked();
    c.linkedDeployment->capabilityURL = "ftp://127.0.0.1/nvk/approve/cap-1";
    send();
    EXPECT_EQ(c.statusLabel->text, "Linked deployment failed: NVK capability URL is invalid.");
    EXPECT_TRUE(env.server()->requests().empty());
}

TEST_F(LinkedDeploymentTest, OneByOneAsksBeforeEachTarget) {
    env.appGroupDefaults().set("share.multiDispatchMode", PropertyList(std::string("oneByOne")));
    Json deployment = nvkDeploymentTicket(capability());
    deployment["targets"][1]["execution"]["destination"] = "";
    deployment["targets"][1]["execution"]["command"] = " \n ";
    auto& c = startLinked(true, deployment);
    send();
    auto alert = shownAlert();
    ASSERT_TRUE(alert) << env.dump();
    EXPECT_EQ(alert->title, "Deploy 1 of 2?");
    EXPECT_EQ(alert->message, "Alpha\ndeploy \u2192 apps/t1\n./deploy.sh --exact");
    ASSERT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(alert->actions()[0]->title, "Skip");
    EXPECT_EQ(alert->actions()[0]->style, UIAlertAction::Style::cancel);
    EXPECT_EQ(alert->actions()[1]->title, "Deploy");
    env.driver().answerAlert("Skip");
    env.runUntilIdle();
    EXPECT_TRUE(approvals().empty()) << "a skipped target is not sent";
    alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, "Deploy 2 of 2?");
    EXPECT_EQ(alert->message, "Beta\ndeploy \u2192 server root") << "no command line";
    env.driver().answerAlert("Deploy");
    env.runUntilIdle();
    const Json requests = approvals();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(bodyOf(requests[0]).at("targetIds"), Json::array({"t2"}));
    EXPECT_EQ(c.statusLabel->text, "NVK batch dispatched. The terminal result will return to NVK Browser.");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
}

TEST_F(LinkedDeploymentTest, OneByOneAllSkippedOrStoppedAtTheFirstFailure) {
    env.appGroupDefaults().set("share.multiDispatchMode", PropertyList(std::string("oneByOne")));
    {
        auto& c = startLinked();
        send();
        env.driver().answerAlert("Skip");
        env.runUntilIdle();
        env.driver().answerAlert("Skip");
        env.runUntilIdle();
        EXPECT_TRUE(approvals().empty());
        EXPECT_EQ(c.statusLabel->text, "No target was approved.");
        EXPECT_FALSE(c.isBusy);
        env.releaseController();
    }
    {
        env.server()->setNVKApprovalReplies("cap-1", Json::array({Json{{"status", 204}}, Json{{"status", 409}}}));
        Json deployment = nvkDeploymentTicket(capability());
        deployment["targets"].push_back(nvkTarget("t4", "Delta", true));
        auto& c = startLinked(true, deployment);
        send();
        env.driver().answerAlert("Deploy");
        env.runUntilIdle();
        EXPECT_EQ(c.statusLabel->text, "Dispatched 1/3 exact target");
        env.driver().answerAlert("Deploy");
        env.runUntilIdle();
        EXPECT_EQ(c.statusLabel->text, "Linked deployment failed: NVK Ostrel returned HTTP 409.");
        EXPECT_FALSE(shownAlert()) << "the remaining target is not asked";
        EXPECT_EQ(approvals().size(), 2u);
        EXPECT_NE(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    }
}

TEST_F(LinkedDeploymentTest, NothingEligibleToApprove) {
    auto& c = startLinked();
    c.selectedLinkedTargetIDs = {"t3"};  // waiting: cannot be approved
    send();
    EXPECT_EQ(c.statusLabel->text, "Select at least one unfinished target.");
    EXPECT_TRUE(approvals().empty());
}

// ---- Cards.

TEST_F(LinkedDeploymentTest, TargetCardsShowEachStateAndToggle) {
    Json deployment = nvkDeploymentTicket(capability());
    deployment["targets"][0]["state"] = "succeeded";
    deployment["targets"][1]["label"] = "";
    deployment["targets"].push_back(nvkTarget("t4", "Delta", true, "Succeeded"));
    auto& c = startLinked(true, deployment);
    c.selectedLinkedTargetIDs = {"t1", "t2", "t3"};
    c.rebuildMultiServerStack();
    auto capsule = [&](const std::string& id) {
        return std::dynamic_pointer_cast<UIButton>(env.driver().find(roles::linkedTarget(id)));
    };
    struct Expect {
        const char* id;
        const char* title;
        const char* image;
        bool enabled;
        const char* accessibility;
    };
    for (const Expect& e : std::vector<Expect>{
             {"t1", "Done", "checkmark.seal.fill", true, "Target t1, Done"},
             {"t2", "Selected", "checkmark.circle.fill", true, "Beta, Selected"},
             {"t3", "blocked", "clock.badge.checkmark", false, "Target t3, blocked"},
             {"t4", "Add", "circle", true, "Target t4, Add"},
         }) {
        SCOPED_TRACE(e.id);
        auto button = capsule(e.id);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->displayedTitle(), e.title);
        EXPECT_EQ(button->displayedImage(), std::optional<std::string>(e.image));
        EXPECT_EQ(button->enabled, e.enabled);
        EXPECT_EQ(button->accessibilityLabel, e.accessibility);
    }
    EXPECT_EQ(capsule("t3")->configuration->baseBackgroundColor, UIColor::systemBlue()) << "waiting but chosen";
    EXPECT_EQ(capsule("t4")->configuration->baseForegroundColor, UIColor::label());

    env.driver().tap(roles::linkedTarget("t2"));
    EXPECT_EQ(c.selectedLinkedTargetIDs.count("t2"), 0u);
    EXPECT_EQ(capsule("t2")->displayedTitle(), "Add");
    EXPECT_EQ(capsule("t2")->displayedImage(), std::optional<std::string>("circle"));
    env.driver().tap(roles::linkedTarget("t4"));
    EXPECT_EQ(capsule("t4")->displayedTitle(), "Selected");

    c.isBusy = true;
    c.rebuildMultiServerStack();
    for (const char* id : {"t1", "t2", "t3", "t4"}) EXPECT_FALSE(capsule(id)->enabled) << id;
}

// Deploy All waits for NVK Ostrel's answer: meanwhile the approved set cannot be changed.
TEST_F(LinkedDeploymentTest, TargetButtonsAreDisabledWhileTheApprovalRuns) {
    env.server()->setNVKApprovalReplies("cap-1", Json::array({Json{{"stall", true}}}));
    auto& c = startLinked();
    auto capsule = [&](const std::string& id) {
        return std::dynamic_pointer_cast<UIButton>(env.driver().find(roles::linkedTarget(id)));
    };
    ASSERT_TRUE(capsule("t1") && capsule("t1")->enabled);
    env.driver().tap(std::string(roles::sendButton));
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] { return c.statusLabel->text == "Authorizing exact deployment batch\u2026"; }, std::chrono::seconds(20)));
    for (const char* id : {"t1", "t2"}) {
        ASSERT_TRUE(capsule(id)) << id;
        EXPECT_FALSE(capsule(id)->enabled) << id;
    }
    env.driver().tap(std::string(roles::cancelButton));
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
}

TEST_F(LinkedDeploymentTest, DeploySetCardSumsUpTheSelection) {
    auto& c = *env.start({photo()});
    auto labels = [](const std::shared_ptr<UIStackView>& card) {
        std::vector<std::string> out;
        for (const auto& v : card->arrangedSubviews()) out.push_back(std::dynamic_pointer_cast<UILabel>(v)->text);
        return out;
    };
    EXPECT_THAT(labels(c.makeDeploySetCard({})),
                ElementsAre("Deploy set \u00B7 0", "Select at least one server. Last choice is remembered."));
    EXPECT_THAT(labels(c.makeDeploySetCard(c.servers)), ElementsAre("Deploy set \u00B7 1", "Alpha server"));
}

}  // namespace
}  // namespace share_test
