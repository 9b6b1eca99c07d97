// The run's notification and readiness controls on the share screen: one switch per lifecycle
// event, the events and readiness a lifetime change brings, the readiness menu and value field,
// and the texts that say where notifications go.
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;
using tarvo::ShareReadinessRule;
using E = tarvo::ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;

class NotificationOptionsTest : public ::testing::Test {
protected:
    tarvo::ShareViewController& start(bool pushes, bool failuresOnly = false) {
        Json s = env.server("a", "Box", pushes);
        s["runCompletionPushFailuresOnly"] = failuresOnly;
        env.setServers(Json::array({s}));
        tarvo::share::Draft d;
        d.serverId = "a";
        d.action = tarvo::share::ShareAction::upload;
        d.postUploadAction = tarvo::share::PostUploadAction::run;
        d.deployCommand = "./run.sh";
        auto store = tarvo::share::ServerDraftStore::load(env.appGroupDefaults());
        store.byServer["a"] = tarvo::share::Draft::normalized(d);
        store.save(env.appGroupDefaults());
        auto& c = *env.start({env.textItem("x")});
        c.updateNotificationUI();
        return c;
    }
    void pickLifetime(tarvo::ShareViewController& c, int segment) {
        c.expectedLifetimeControl->selectedSegmentIndex = segment;
        c.expectedLifetimeControl->sendActions(UIControlEvents::valueChanged);
    }
    std::set<E> storedEvents() {
        return tarvo::share::ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").notificationPolicy.events;
    }
    ShareTestEnvironment env;
};

TEST_F(NotificationOptionsTest, OneSwitchPerEventShownOnlyForARecipe) {
    auto& c = start(true);
    ASSERT_EQ(c.notificationSwitches.size(), 9u);
    std::vector<std::string> ids;
    for (const auto& row : c.notificationOptionsStack->arrangedSubviews()) {
        auto stack = std::dynamic_pointer_cast<UIStackView>(row);
        ASSERT_TRUE(stack);
        ids.push_back(stack->arrangedSubviews().back()->accessibilityIdentifier);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"accepted", "ready", "waiting_for_input", "succeeded", "degraded", "failed",
                                             "stopped_unexpectedly", "cancelled", "lost"}));
    EXPECT_FALSE(c.notificationDisclosureButton->hidden);
    EXPECT_TRUE(c.notificationOptionsStack->hidden) << "collapsed at first";
    c.notificationDisclosureButton->sendActions(UIControlEvents::touchUpInside);
    EXPECT_FALSE(c.notificationOptionsStack->hidden);
    EXPECT_EQ(c.notificationDisclosureButton->configuration->image, "bell.fill");

    for (auto action : {tarvo::share::PostUploadAction::none}) {
        c.draft.postUploadAction = action;
        c.updateNotificationUI();
        EXPECT_TRUE(c.notificationDisclosureButton->hidden);
        EXPECT_TRUE(c.notificationOptionsStack->hidden);
    }
    c.draft.postUploadAction = tarvo::share::PostUploadAction::run;
    c.draft.action = tarvo::share::ShareAction::emit;
    c.updateNotificationUI();
    EXPECT_TRUE(c.notificationDisclosureButton->hidden) << "no notifications for an emit";
}

TEST_F(NotificationOptionsTest, ASwitchChangesTheEventsAndLifetimeChangesNoLongerReplaceThem) {
    auto& c = start(true);
    pickLifetime(c, 1);
    EXPECT_EQ(c.draft.notificationPolicy.events,
              (std::set<E>{E::accepted, E::ready, E::waitingForInput, E::failed, E::stoppedUnexpectedly, E::lost}));
    EXPECT_EQ(c.notificationSwitches.at(E::ready)->on, true);

    c.notificationSwitches.at(E::ready)->tapped();  // off
    EXPECT_TRUE(c.draft.notificationPolicyCustomized);
    EXPECT_EQ(c.draft.notificationPolicy.events.count(E::ready), 0u);
    EXPECT_EQ(storedEvents(), c.draft.notificationPolicy.events) << "saved at once";
    const auto chosen = c.draft.notificationPolicy.events;
    pickLifetime(c, 0);
    pickLifetime(c, 1);
    EXPECT_EQ(c.draft.notificationPolicy.events, chosen);
    EXPECT_EQ(c.notificationDisclosureButton->configuration->title,
              "Notify me \u00b7 " + c.draft.notificationPolicy.summary());
}

TEST_F(NotificationOptionsTest, PushesOffEmptyTheEvents) {
    auto& c = start(false);
    pickLifetime(c, 1);
    EXPECT_TRUE(c.draft.notificationPolicy.events.empty());
    EXPECT_EQ(c.notificationDisclosureButton->configuration->subtitle, "No lifecycle alerts");
}

TEST_F(NotificationOptionsTest, LifetimeBringsItsReadinessAndTheMenuKeepsValues) {
    auto& c = start(true);
    pickLifetime(c, 1);
    EXPECT_EQ(c.draft.readinessRule, (ShareReadinessRule{Kind::survived, 3, "", "", 200}));
    EXPECT_EQ(c.readinessButton->configuration->title, "Ready when: " + c.draft.readinessRule.title());
    EXPECT_EQ(c.readinessValueField->placeholder, "Text written to the run log");

    // Typing while the rule takes no value changes nothing.
    c.readinessValueField->text = "ignored";
    c.readinessValueChanged();
    EXPECT_EQ(c.draft.readinessRule.kind, Kind::survived);

    auto choose = [&](const std::string& title) {
        auto found = findMenuAction(*c.readinessButton->menu, {title});
        ASSERT_TRUE(found.action) << found.error;
        found.action->perform();
    };
    choose("Log contains text");
    c.readinessValueField->text = "  listening on  ";
    c.readinessValueChanged();
    EXPECT_EQ(c.draft.readinessRule.pattern, "listening on");
    choose("Log contains text");
    EXPECT_EQ(c.draft.readinessRule.pattern, "listening on") << "the pattern typed earlier is kept";
    EXPECT_EQ(c.readinessValueField->text, "listening on");
    choose("Process survives 10 seconds");
    EXPECT_TRUE(std::get<std::shared_ptr<UIAction>>(c.readinessButton->menu->children[2])->state == UIAction::State::on);
    EXPECT_TRUE(std::get<std::shared_ptr<UIAction>>(c.readinessButton->menu->children[1])->state == UIAction::State::off);
    choose("HTTP endpoint responds");
    EXPECT_EQ(c.readinessValueField->placeholder.find("/health") != std::string::npos, true);
    EXPECT_EQ(tarvo::share::ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").readinessRule.kind,
              Kind::httpResponds);

    pickLifetime(c, 0);
    EXPECT_EQ(c.draft.readinessRule, (ShareReadinessRule{Kind::none, 0, "", "", 200}));
}

TEST_F(NotificationOptionsTest, DeliveryStatusTexts) {
    auto& c = start(true);
    pickLifetime(c, 1);
    c.updateNotificationUI();
    const std::string missing = *c.notificationDisclosureButton->configuration->subtitle;
    EXPECT_EQ(missing, "Cannot deliver \u00b7 missing device ID") << "the relay falls back, the token is the server's";

    env.appGroupDefaults().set("push.relayBaseURL", PropertyList(std::string("https://relay.example/v1")));
    env.appGroupDefaults().set("push.relayAuthToken", PropertyList(std::string("relay-secret")));
    env.standardDefaults().set("push.deviceId", PropertyList(std::string("abcdef0123456789")));
    c.updateNotificationUI();
    EXPECT_EQ(c.notificationDisclosureButton->configuration->subtitle,
              "Per Job \u00b7 relay.example \u2192 abcdef01\u20266789");
    const auto delivery = c.notificationDelivery(c.servers.front());
    EXPECT_EQ(delivery.authToken, "relay-secret");
    EXPECT_EQ(delivery.serverLabel, "Box");
    EXPECT_EQ(delivery.serverIdentity.size(), 64u);
}

}  // namespace
}  // namespace share_test
