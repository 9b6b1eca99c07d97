// The send entry and exit: what Send freezes and stores, the busy state and what it locks, the
// early outcomes without items or servers, cancellation and completion of the share request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;
using tarvo::share::ServerDraftStore;

class ShareSendTest : public ::testing::Test {
protected:
    tarvo::ShareViewController& startWith(int servers, std::vector<std::shared_ptr<NSItemProvider>> items) {
        Json list = Json::array();
        for (int i = 0; i < servers; ++i) list.push_back(env.server(std::string(1, char('a' + i)), "S" + std::to_string(i)));
        env.setServers(list);
        return *env.start(std::move(items));
    }
    void tapSend() { env.driver().tap(std::string(roles::sendButton)); }

    ShareTestEnvironment env;
};

TEST_F(ShareSendTest, NothingToShareIsSaidAndTheDraftIsStillStored) {
    for (const char* mode : {"single", "multi"}) {
        SCOPED_TRACE(mode);
        env.appGroupDefaults().set("share.serverMode", PropertyList(std::string(mode)));
        auto& c = startWith(2, {});
        env.driver().replaceText(std::string(roles::destFolderField), std::string("dest-") + mode);
        // The button is disabled without items; the flow still refuses on its own.
        EXPECT_FALSE(c.sendButton->enabled);
        c.sendTapped();
        env.runUntilIdle();
        EXPECT_FALSE(c.isBusy);
        EXPECT_EQ(c.statusLabel->text, "No items to share.");
        EXPECT_TRUE(c.kindField->enabled);
        EXPECT_FALSE(c.sendButton->enabled) << "nothing to send";
        EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").destFolder, std::string("dest-") + mode);
        env.releaseController();
    }
}

TEST_F(ShareSendTest, NoServerAnywhere) {
    auto& c = startWith(0, {env.textItem("note")});
    tapSend();
    env.runUntilIdle();
    EXPECT_EQ(c.statusLabel->text, "No server configured.");
    EXPECT_FALSE(c.isBusy);
    EXPECT_TRUE(c.sendButton->enabled);
    EXPECT_FALSE(c.browseFolderButton->enabled) << "no server to browse";
}

TEST_F(ShareSendTest, BusyAtOnceControlsLockedOnTheNextTurn) {
    auto& c = startWith(2, {ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});
    ASSERT_EQ(c.draft.action, tarvo::share::ShareAction::upload);
    tapSend();
    EXPECT_TRUE(c.isBusy);
    EXPECT_TRUE(c.sendButton->enabled) << "the controls follow on the main queue";
    EXPECT_FALSE(c.uploadProgressStack->hidden);
    EXPECT_EQ(c.uploadProgressLabel->text, "Preparing upload\u2026");
    // The queued update runs before the send task's first step.
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !c.sendButton->enabled; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(c.statusLabel->text, "Preparing\u2026");
    EXPECT_TRUE(c.spinner->isAnimating());
    for (UIControl* control : {static_cast<UIControl*>(c.actionControl.get()), static_cast<UIControl*>(c.kindField.get()),
                               static_cast<UIControl*>(c.serverModeControl.get()),
                               static_cast<UIControl*>(c.serverButton.get()),
                               static_cast<UIControl*>(c.browseFolderButton.get()),
                               static_cast<UIControl*>(c.sendButton.get())}) {
        EXPECT_FALSE(control->enabled) << control->role;
    }
    EXPECT_FALSE(c.deployCommandTextView->editable);
    EXPECT_TRUE(c.cancelButton->enabled);
    // The draft was frozen, recorded and stored.
    EXPECT_EQ(c.resolvedDraftsByServer.at("a"), c.draft);
    EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a"), c.draft);

    c.setBusy(false, "Failed: reason");
    env.runUntilIdle();
    EXPECT_TRUE(c.sendButton->enabled);
    EXPECT_TRUE(c.serverButton->enabled);
    EXPECT_FALSE(c.spinner->isAnimating());
}

TEST_F(ShareSendTest, AnEmitHidesTheProgressAndOneServerKeepsServerControlsOff) {
    auto& c = startWith(1, {env.textItem("note")});
    tapSend();
    EXPECT_TRUE(c.uploadProgressStack->hidden);
    EXPECT_EQ(c.uploadProgressLabel->text, "");
    c.setBusy(false, "");
    env.runUntilIdle();
    EXPECT_FALSE(c.serverModeControl->enabled);
    EXPECT_FALSE(c.serverButton->enabled);
    EXPECT_TRUE(c.browseFolderButton->enabled);
}

TEST_F(ShareSendTest, ASecondSendCancelsTheFirst) {
    auto& c = startWith(1, {env.textItem("note")});
    tapSend();
    const auto first = *c.sendTask;
    c.sendTapped();
    EXPECT_TRUE(first.isCancelled());
    EXPECT_FALSE(c.sendTask->isCancelled());
    env.runUntilIdle();
}

TEST_F(ShareSendTest, CompletionEndsTheShareUnlessSuppressed) {
    auto& c = startWith(1, {env.textItem("note")});
    c.suppressShareCompletion = true;
    auto first = startTask(env.mainQueue().executor(), [&]() { return c.finishSuccessfulShare("S0: sent"); });
    env.runUntilIdle();
    EXPECT_EQ(c.statusLabel->text, "S0: sent");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_FALSE(c.transferFinished);

    c.suppressShareCompletion = false;
    auto second = startTask(env.mainQueue().executor(), [&]() { return c.finishSuccessfulShare("Uploaded"); });
    env.runUntilIdle();
    EXPECT_TRUE(c.transferFinished);
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_TRUE(env.context().outcome().returnedItems.empty());
    c.setBusy(false, "later");
    env.runUntilIdle();
    EXPECT_FALSE(c.sendButton->enabled) << "a completed share sends nothing more";
}

TEST_F(ShareSendTest, CancelEndsTheShareWithTheCancelledError) {
    auto& c = startWith(1, {env.textItem("note")});
    tapSend();
    c.artifactPreviewTask = startTask(env.mainQueue().executor(), []() -> Async<void> { co_return; });
    c.artifactRecommendationTask = startTask(env.mainQueue().executor(), []() -> Async<void> { co_return; });
    env.driver().tap(std::string(roles::cancelButton));
    EXPECT_TRUE(c.sendTask->isCancelled());
    EXPECT_TRUE(c.artifactPreviewTask->isCancelled());
    EXPECT_FALSE(c.artifactRecommendationTask->isCancelled());
    const auto outcome = env.context().outcome();
    EXPECT_EQ(outcome.state, NSExtensionContext::RequestState::cancelled);
    ASSERT_TRUE(outcome.cancellationError);
    EXPECT_EQ(outcome.cancellationError->domain, "ShareExtension");
    EXPECT_EQ(outcome.cancellationError->code, 0);
    EXPECT_EQ(outcome.cancellationError->localizedDescription, "Cancelled.");
    env.runUntilIdle();
}

TEST_F(ShareSendTest, ALinkedDeploymentAuthorisesInsteadOfPreparing) {
    // One item: with none, the dock says what a linked share without items lacks instead.
    auto& c = startWith(1, {ShareTestEnvironment::textItem("payload")});
    c.linkedDeployment = tarvo::share::NVKLinkedDeployment{};
    c.draft.kind = "untouched";
    c.sendTapped();
    EXPECT_TRUE(c.uploadProgressStack->hidden);
    // The queued update runs before the linked deployment's first step (which, with no
    // target selected here, ends it).
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !c.sendButton->enabled; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(c.statusLabel->text, "Authorizing exact deployment batch\u2026");
    env.runUntilIdle();
    EXPECT_EQ(c.draft.kind, "untouched") << "no snapshot for a linked deployment";
    EXPECT_TRUE(c.sendTask);
}

}  // namespace
}  // namespace share_test
