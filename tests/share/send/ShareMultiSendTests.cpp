// Several servers from one Send: all at once, or one by one with an alert answered Skip or
// Deploy; run states, status texts and summaries; a server that cannot be reached; cancel.
#include "platform/uikit/UIAlertController.h"
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;
using tarvo::share::MultiDispatchMode;
using tarvo::share::ServerMode;
using tarvo::share::ShareAction;

class MultiSendTest : public SendFlowTest {
protected:
    // Servers A, B and C, all the loopback server's receptionist; B's token blank when asked.
    tarvo::ShareViewController& startMulti(MultiDispatchMode mode, std::set<std::string> selected,
                                           bool blankTokenOnB = false) {
        Json list = Json::array();
        for (const char* id : {"a", "b", "c"}) {
            Json s = env.server(id, std::string(1, char(std::toupper(id[0]))));
            s["receptionistToken"] = server().options().receptionistToken;
            if (blankTokenOnB && std::string(id) == "b") {
                s["token"] = "";
                s["receptionistToken"] = " ";
            }
            list.push_back(s);
            tarvo::share::Draft d;
            d.serverId = id;
            d.action = ShareAction::emit;
            d.kind = std::string("kind-") + id;
            storeDraft(d);
        }
        env.setServers(list);
        env.appGroupDefaults().set("share.lastServerId", PropertyList(std::string("a")));
        auto& c = *env.start({env.textItem("note")});
        // Drafts of this share for B and C (the on-screen one is A's); without them, B and C
        // would carry A's kind.
        for (const char* id : {"b", "c"}) {
            tarvo::share::Draft d;
            d.serverId = id;
            d.action = ShareAction::emit;
            d.kind = std::string("kind-") + id;
            c.resolvedDraftsByServer[id] = d;
        }
        c.serverMode = ServerMode::multi;
        c.multiDispatchMode = mode;
        c.selectedServerIDs = std::move(selected);
        watchOutcomes();
        return c;
    }
    std::string presentedAlertTitle() {
        auto alert = std::dynamic_pointer_cast<UIAlertController>(env.controller().presentedViewController());
        return alert ? alert->title : "<no alert>";
    }
    std::string presentedAlertMessage() {
        auto alert = std::dynamic_pointer_cast<UIAlertController>(env.controller().presentedViewController());
        return alert ? alert->message : "<no alert>";
    }
    std::vector<std::string> emittedKinds() {
        std::vector<std::string> kinds;
        for (const auto& r : server().requestsTo("/emit")) kinds.push_back(header(r, "X-Event-Kind"));
        return kinds;
    }
};

TEST_F(MultiSendTest, AllAtOnceDeploysToEveryServerInListOrder) {
    auto& c = startMulti(MultiDispatchMode::all, {"c", "a", "b"});
    sendAndWait();
    EXPECT_EQ(emittedKinds(), (std::vector<std::string>{"kind-a", "kind-b", "kind-c"}));
    EXPECT_EQ(c.statusLabel->text, "Deployed to 3 servers");
    EXPECT_EQ(c.serverRunStates, (std::map<std::string, std::string>{
                                     {"a", "Succeeded"}, {"b", "Succeeded"}, {"c", "Succeeded"}}));
    EXPECT_FALSE(c.suppressShareCompletion);
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_EQ(outcomes, 1) << "one completion for the whole run";
    // Each server's draft was stored.
    const auto store = tarvo::share::ServerDraftStore::load(env.appGroupDefaults());
    EXPECT_EQ(store.byServer.at("c").kind, "kind-c");
}

TEST_F(MultiSendTest, AFolderUploadedToThreeServersIsZippedOnce) {
    const auto folder = makeProject();
    Json list = Json::array();
    for (const char* id : {"a", "b", "c"}) {
        list.push_back(env.server(id, std::string(1, char(std::toupper(id[0])))));
        storeDraft(uploadDraft(id, std::string("to-") + id));
    }
    env.setServers(list);
    env.appGroupDefaults().set("share.lastServerId", PropertyList(std::string("a")));
    auto& c = *env.start({pathItem(folder)});
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] { return c.artifactInsight.state.is(tarvo::share::ArtifactInsightState::Case::ready); }, 60000ms))
        << env.dump();
    for (const char* id : {"b", "c"}) c.resolvedDraftsByServer[id] = uploadDraft(id, std::string("to-") + id);
    c.serverMode = ServerMode::multi;
    c.multiDispatchMode = MultiDispatchMode::all;
    c.selectedServerIDs = {"a", "b", "c"};
    watchOutcomes();
    sendAndWait();
    EXPECT_EQ(c.statusLabel->text, "Deployed to 3 servers") << server().log();

    // The scan's archive is the one copy, and it is what each server received.
    EXPECT_EQ(c.materializedItems.copiesStarted(), 1u);
    std::vector<std::filesystem::path> archives;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(env.home().path()) / "tmp")) {
        if (e.path().extension() == ".zip") archives.push_back(e.path());
    }
    ASSERT_EQ(archives.size(), 1u);
    const std::string zip = tarvo_test::readFile(archives[0]);
    for (const char* id : {"a", "b", "c"}) {
        EXPECT_EQ(tarvo_test::readFile(filesRoot() / (std::string("to-") + id) / "project.zip"), zip) << id;
    }
}

TEST_F(MultiSendTest, AServerWithABlankTokenFailsAndTheOthersGoOn) {
    auto& c = startMulti(MultiDispatchMode::all, {"a", "b", "c"}, true);
    sendAndWait();
    EXPECT_EQ(emittedKinds(), (std::vector<std::string>{"kind-a", "kind-c"}));
    EXPECT_EQ(c.serverRunStates.at("a"), "Succeeded");
    EXPECT_EQ(c.serverRunStates.at("b"), "Failed \u00b7 Missing receptionist token.");
    EXPECT_EQ(c.serverRunStates.at("c"), "Succeeded");
    EXPECT_EQ(c.statusLabel->text, "2 succeeded \u00b7 1 failed\nB: Missing receptionist token.");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_FALSE(c.isBusy);
    EXPECT_TRUE(c.sendButton->enabled);
}

TEST_F(MultiSendTest, OneByOneAsksBeforeEachServer) {
    auto& c = startMulti(MultiDispatchMode::oneByOne, {"a", "b", "c"});
    tapSend();
    env.runUntilIdle();
    EXPECT_EQ(presentedAlertTitle(), "Deploy 1 of 3?");
    EXPECT_EQ(presentedAlertMessage(), "A\nEmit \u2192 kind-a");
    EXPECT_EQ(c.serverRunStates.at("a"), "Waiting");
    env.driver().answerAlert("Skip");
    env.runUntilIdle();
    EXPECT_EQ(c.serverRunStates.at("a"), "Skipped");
    EXPECT_EQ(presentedAlertTitle(), "Deploy 1 of 3?") << "a skipped server does not count";
    env.driver().answerAlert("Deploy");
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return presentedAlertTitle() == "Deploy 2 of 3?"; }, 20000ms));
    EXPECT_EQ(c.serverRunStates.at("b"), "Succeeded");
    EXPECT_EQ(presentedAlertMessage(), "C\nEmit \u2192 kind-c");
    env.driver().answerAlert("Deploy");
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask->isDone(); }, 20000ms));
    env.runUntilIdle();
    EXPECT_EQ(emittedKinds(), (std::vector<std::string>{"kind-b", "kind-c"}));
    EXPECT_EQ(c.statusLabel->text, "Deployed to 2 servers");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
}

TEST_F(MultiSendTest, EveryServerSkippedOrNoneSelected) {
    auto& c = startMulti(MultiDispatchMode::oneByOne, {"a", "b"});
    tapSend();
    env.runUntilIdle();
    env.driver().answerAlert("Skip");
    env.runUntilIdle();
    env.driver().answerAlert("Skip");
    env.runUntilIdle();
    EXPECT_EQ(c.statusLabel->text, "No server was deployed.");
    EXPECT_EQ(c.serverRunStates, (std::map<std::string, std::string>{{"a", "Skipped"}, {"b", "Skipped"}}));
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_TRUE(server().requestsTo("/emit").empty());

    c.selectedServerIDs.clear();
    sendAndWait();
    EXPECT_EQ(c.statusLabel->text, "Select at least one server.");
}

// Decided: a server whose flow ended because the send was cancelled is never counted or shown
// as succeeded, and the share is never completed after the cancel.
TEST_F(MultiSendTest, CancelledServersNeverCountAsSucceeded) {
    auto& c = startMulti(MultiDispatchMode::all, {"a", "b"});
    server().addRule(Json{{"path", "/emit"}, {"stall", true}});
    tapSend();
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !server().requestsTo("/emit").empty(); }, 20000ms));
    env.driver().tap(std::string(tarvo::share::roles::cancelButton));
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask->isDone(); }, 30000ms));
    env.runUntilIdle();
    EXPECT_EQ(c.serverRunStates.at("a").rfind("Failed \u00b7 ", 0), 0u) << c.serverRunStates.at("a");
    EXPECT_EQ(c.serverRunStates.at("b"), "Waiting") << "nothing runs after the cancel";
    EXPECT_EQ(server().requestsTo("/emit").size(), 1u);
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(outcomes, 1);
    EXPECT_FALSE(c.transferFinished);
}

TEST_F(MultiSendTest, AnApprovalAnsweredAfterTheCancelRunsNothing) {
    auto& c = startMulti(MultiDispatchMode::oneByOne, {"a"});
    tapSend();
    env.runUntilIdle();
    ASSERT_EQ(presentedAlertTitle(), "Deploy 1 of 1?");
    c.cancelTapped();
    env.driver().answerAlert("Deploy");
    env.runUntilIdle();
    EXPECT_TRUE(server().requestsTo("/emit").empty());
    EXPECT_EQ(c.serverRunStates.at("a"), "Waiting");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
}

}  // namespace
}  // namespace share_test
