// The emit flow over loopback sockets: each shared item posted to the receptionist with its
// kind, meta and route headers, the hand-off to the last event, and the ways it fails.
#include "Shared/ShareLaunchHandoff.h"
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;
using tarvo::share::ShareAction;

class EmitFlowTest : public SendFlowTest {
protected:
    Json receptionistServer(const std::string& id, const std::string& name) {
        Json s = env.server(id, name);
        s["receptionistToken"] = server().options().receptionistToken;
        return s;
    }
    tarvo::share::Draft emitDraft(const std::string& id) {
        tarvo::share::Draft d;
        d.serverId = id;
        d.action = ShareAction::emit;
        d.kind = "";
        d.openOnNextLaunch = true;
        return d;
    }
    std::optional<std::string> storedHandoff() { return env.appGroupDefaults().string("share.launchHandoff.json"); }
};

TEST_F(EmitFlowTest, TwoTextItemsWithTheirHeadersAndTheHandOffToTheLastEvent) {
    for (bool routed : {true, false}) {
        SCOPED_TRACE(routed ? "with a route" : "without a route");
        server().reset();
        env.setServers(Json::array({receptionistServer("a", "Box")}));
        storeDraft(emitDraft("a"));
        // The reply-to a share starts with is the app's default one.
        if (routed) {
            env.appGroupDefaults().set("emit.defaultReplyTo", PropertyList(std::string("ops, dev")));
        } else {
            env.appGroupDefaults().removeObject("emit.defaultReplyTo");
        }
        auto& c = *env.start({env.textItem("first note"), env.textItem("second note")}, std::string("com.apple.mobilenotes"));
        watchOutcomes();
        sendAndWait();

        const Json emits = server().requestsTo("/emit");
        ASSERT_EQ(emits.size(), 2u);
        EXPECT_EQ(emits[0]["body_text"], "first note");
        EXPECT_EQ(emits[1]["body_text"], "second note");
        for (const auto& r : emits) {
            SCOPED_TRACE(r["headers"].dump());
            ASSERT_TRUE(hasHeader(r, "X-Substrate-Meta"));
            EXPECT_EQ(header(r, "X-Event-Kind"), "clipboard");
            EXPECT_EQ(header(r, "X-Device-ID"), "iphone");
            EXPECT_EQ(header(r, "X-App-Flavor"), "tarvo");
            EXPECT_EQ(header(r, "X-Auth-Token"), "rcpt-token");
            EXPECT_EQ(header(r, "Authorization"), "Bearer rcpt-token");
            EXPECT_EQ(header(r, "Content-Type"), "text/plain; charset=utf-8");
            EXPECT_EQ(parseJson(header(r, "X-Substrate-Meta")),
                      Json::parse(R"({"schema":1,"note":"share_extension","via":"ios_share","type_key":"text",
                          "bias_key":")" + c.biasKey + R"(","requested_kind":"clipboard",
                          "source_bundle_id":"com.apple.mobilenotes"})"));
            if (routed) {
                EXPECT_EQ(parseJson(header(r, "X-Substrate-Route")), Json::parse(R"({"schema":1,"reply_to":["ops","dev"]})"));
            } else {
                EXPECT_FALSE(hasHeader(r, "X-Substrate-Route")) << "no route, no header";
            }
        }
        EXPECT_EQ(c.statusLabel->text, "Sent");
        EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
        EXPECT_EQ(outcomes, 1);
        const auto handoff = tarvo::ShareLaunchHandoff::fromJson(parseJson(storedHandoff().value_or("{}")));
        EXPECT_EQ(handoff.kind, "open_event");
        EXPECT_EQ(handoff.path.rfind("events/evt-", 0), 0u) << handoff.path;
        EXPECT_EQ(handoff.path, "events/" + std::filesystem::path(emits[1]["body_file"].get<std::string>())
                                                .parent_path().filename().string() + "/" +
                                    header(emits[1], "X-File-Name"))
            << "the last event";
        EXPECT_EQ(handoff.title, "Continue in Tarvo");
        EXPECT_NE(handoff.urlString.find("action=open_event"), std::string::npos);
        env.releaseController();
        env.appGroupDefaults().removeObject("share.launchHandoff.json");
    }
}

TEST_F(EmitFlowTest, ReceptionistErrorsAreListed) {
    env.setServers(Json::array({receptionistServer("a", "Box")}));
    storeDraft(emitDraft("a"));
    auto& c = *env.start({env.textItem("one"), env.textItem("two")});
    server().addRule(Json{{"path", "/emit"}, {"status", 507}, {"body", "quota exceeded"}, {"skip", 1}});
    sendAndWait();
    EXPECT_EQ(server().requestsTo("/emit").size(), 2u) << "the other item is still sent";
    EXPECT_EQ(c.statusLabel->text, "Done with 1 error(s):\nReceptionist HTTP 507: quota exceeded");
    EXPECT_EQ(c.lastSendError, c.statusLabel->text);
    EXPECT_FALSE(storedHandoff());
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_TRUE(c.sendButton->enabled);
}

TEST_F(EmitFlowTest, NoTokenOrAddressIsRefusedBeforeAnyRequest) {
    Json blank = env.server("a", "Box");
    blank["token"] = " ";
    Json noURL = env.server("b", "Nowhere");
    noURL["urlString"] = "ftp://example";
    env.setServers(Json::array({blank, noURL}));
    for (const auto& [id, text] : std::vector<std::pair<std::string, std::string>>{
             {"a", "Missing receptionist token."}, {"b", "Invalid receptionist URL."}}) {
        SCOPED_TRACE(id);
        storeDraft(emitDraft(id));
        env.appGroupDefaults().set("share.lastServerId", PropertyList(id));
        auto& c = *env.start({env.textItem("x")});
        ASSERT_EQ(c.draft.serverId, id);
        sendAndWait();
        EXPECT_EQ(c.statusLabel->text, text);
        EXPECT_EQ(c.lastSendError, text);
        env.releaseController();
    }
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(EmitFlowTest, CancelBetweenItemsSendsNothingMore) {
    env.setServers(Json::array({receptionistServer("a", "Box")}));
    storeDraft(emitDraft("a"));
    auto& c = *env.start({env.textItem("one"), env.textItem("two")});
    watchOutcomes();
    server().addRule(Json{{"path", "/emit"}, {"stall", true}});
    tapSend();
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !server().requestsTo("/emit").empty(); }, 20000ms));
    env.driver().tap(std::string(tarvo::share::roles::cancelButton));
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask->isDone(); }, 30000ms));
    env.runUntilIdle();
    EXPECT_EQ(server().requestsTo("/emit").size(), 1u);
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(outcomes, 1);
    EXPECT_NE(c.statusLabel->text, "Sent");
    EXPECT_FALSE(c.lastSendError);
    EXPECT_FALSE(storedHandoff());
}

}  // namespace
}  // namespace share_test
