// A server that stops answering during a send: with the environment's time limits shortened,
// each stall ends in a few seconds with the timeout's own text on the screen, the share open,
// Send enabled again and nothing reported as success.
#include "Shared/ShareLaunchHandoff.h"
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;

class SendStallTest : public SendFlowTest {
protected:
    SendStallTest() { env.setSendLimits(ShareTestEnvironment::quickSendLimits()); }

    // Send, then wait for the send task's end: far sooner than today's minute-long limits.
    void sendAndWaitForTheLimit() { sendAndWait(30000ms); }
    void expectFailedAndOpen(const std::string& status) {
        auto& c = env.controller();
        EXPECT_EQ(c.statusLabel->text, status);
        EXPECT_EQ(c.lastSendError, status);
        EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
        EXPECT_EQ(outcomes, 0);
        EXPECT_FALSE(c.isBusy);
        EXPECT_TRUE(c.sendButton->enabled);
        EXPECT_FALSE(env.appGroupDefaults().string("share.launchHandoff.json")) << "nothing to open";
    }
};

// Stalls of the upload itself: the command stream never opens, is accepted and then left
// without an answer, or the verification that follows is never answered.
TEST_F(SendStallTest, AStallDuringTheUpload) {
    struct Case {
        const char* name;
        std::vector<Json> rules;
        std::size_t fileBytes;
        const char* line;           // the item's error line
        double uploadExitSeconds;   // the wait for the writer's exit, once the file is sent
    };
    const std::vector<Case> cases = {
        {"the stream's handshake is never answered",
         {Json{{"path", "/ws/cmd"}, {"stall", true}}, Json{{"path", "/api/ws/cmd"}, {"stall", true}}},
         64 * 1024,
         "Network error: The request timed out.",
         15},
        {"the stream is accepted and then sends nothing",
         {Json{{"path", "/ws/cmd"}, {"script", Json::array({Json{{"sleep", 30}}})}}},
         64 * 1024,
         "Network error: Upload timed out while waiting for the server write to finish.",
         2},
        {"the server stops reading mid-upload",
         {Json{{"path", "/ws/cmd"}, {"script", Json::array({Json{{"sleep", 30}}})}}},
         32 << 20,
         "Network error: The request timed out.",
         15},
        {"the verification is never answered", {Json{{"path", "/api/stat"}, {"stall", true}}},
         64 * 1024,
         "Network error: URLError(-1001): The request timed out.",
         15},
    };
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(recipeDraft("a"));
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        server().reset();
        const auto file = std::filesystem::path(env.home().path()) / "shared/app.zip";
        tarvo_test::writeFile(file, std::string(k.fileBytes, 'z'));
        auto limits = ShareTestEnvironment::quickSendLimits();
        limits.cmdStream.uploadExitSeconds = k.uploadExitSeconds;
        env.setSendLimits(limits);
        env.start({pathItem(file)});
        watchOutcomes();
        for (const auto& rule : k.rules) server().addRule(rule);
        sendAndWaitForTheLimit();
        expectFailedAndOpen(std::string("Done with 1 error(s):\n1/1: ") + k.line);
        EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
        env.releaseController();
    }
}

// The recipe is never started: its submission is never answered, or, without a jobs API, the
// detached run is never named. Its error line, no observation, the upload stays.
TEST_F(SendStallTest, AStalledRecipeStart) {
    struct Case {
        const char* name;
        std::vector<Json> rules;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"the submission is never answered",
         {Json{{"path", "/api/jobs/submit"}, {"stall", true}}},
         "Network error: URLError(-1001): The request timed out."},
        {"the detached run is never named",
         {Json{{"path", "/api/jobs/submit"}, {"status", 404}},
          Json{{"path", "/ws/cmd"}, {"skip", 1}, {"script", Json::array({Json{{"sleep", 30}}})}}},
         "Network error: Timed out waiting for durable run metadata."},
    };
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(recipeDraft("a"));
    const auto project = makeProject();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        server().reset();
        std::filesystem::remove(filesRoot() / "sites/demo/project.zip");
        env.start({pathItem(project)});
        watchOutcomes();
        for (const auto& rule : k.rules) server().addRule(rule);
        sendAndWaitForTheLimit();
        expectFailedAndOpen(std::string("Done with 1 error(s):\n1/1: ") + k.line);
        EXPECT_EQ(server().requestsTo("/api/jobs/submit").size(), 1u);
        EXPECT_TRUE(server().requestsTo("/api/jobs/artifact-observation").empty());
        EXPECT_TRUE(std::filesystem::is_regular_file(filesRoot() / "sites/demo/project.zip"));
        env.releaseController();
    }
}

// The observation is best effort: a server that never answers it holds the share for the
// request limit only, and the run that was accepted is reported as such.
TEST_F(SendStallTest, AStalledObservationHoldsTheShareForTheLimitOnly) {
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(recipeDraft("a"));
    auto& c = *env.start({pathItem(makeProject())});
    watchOutcomes();
    server().addRule(Json{{"path", "/api/jobs/artifact-observation"}, {"stall", true}});
    sendAndWaitForTheLimit();
    EXPECT_EQ(server().requestsTo("/api/jobs/artifact-observation").size(), 1u);
    EXPECT_EQ(c.statusLabel->text.rfind("Run accepted \u00b7 ", 0), 0u) << c.statusLabel->text;
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_EQ(outcomes, 1);
}

// The receptionist never answers an emit.
TEST_F(SendStallTest, AStalledEmit) {
    Json s = env.server("a", "Box");
    s["receptionistToken"] = server().options().receptionistToken;
    env.setServers(Json::array({s}));
    tarvo::share::Draft d;
    d.serverId = "a";
    d.action = tarvo::share::ShareAction::emit;
    storeDraft(d);
    env.start({env.textItem("note")});
    watchOutcomes();
    server().addRule(Json{{"path", "/emit"}, {"stall", true}});
    sendAndWaitForTheLimit();
    expectFailedAndOpen("Done with 1 error(s):\nThe request timed out.");
}

}  // namespace
}  // namespace share_test
