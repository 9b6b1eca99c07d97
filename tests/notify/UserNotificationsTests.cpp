#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/usernotifications/UNNotificationServiceExtension.h"

using namespace std::chrono_literals;
using platform::Json;
using platform::UNMutableNotificationContent;
using platform::UNNotificationContent;
using platform::UNNotificationDelivery;
using platform::UNNotificationRequest;
using platform::UNNotificationServiceExtension;
using platform::UNNotificationSound;

namespace {

UNNotificationRequest requestTitled(const std::string& title) {
    UNMutableNotificationContent content;
    content.setTitle(title);
    content.setUserInfo(Json{{"kind", "cmd"}});
    content.setSound(UNNotificationSound::defaultSound());
    return UNNotificationRequest("r1", content);
}

const platform::UNNotificationDeliveryOptions kFast{50ms, 50ms};

// Does whatever the test tells it, counting the platform's calls.
class ScriptedExtension : public UNNotificationServiceExtension {
public:
    enum class Mode { callTwice, keepHandler, silent, throwAfterDelivery, throwBeforeDelivery, fromThread };
    explicit ScriptedExtension(Mode mode) : mode_(mode) {}
    ~ScriptedExtension() override {
        if (worker_.joinable()) worker_.join();
    }

    void didReceive(const UNNotificationRequest& request, ContentHandler handler) override {
        auto content = request.content().mutableCopy();
        switch (mode_) {
            case Mode::callTwice:
                content.setTitle("first");
                handler(content);
                content.setTitle("second");
                handler(content);
                break;
            case Mode::keepHandler:
            case Mode::silent:
                handler_ = handler;
                break;
            case Mode::throwAfterDelivery:
                content.setTitle("delivered");
                handler(content);
                throw std::runtime_error("late failure");
            case Mode::throwBeforeDelivery:
                throw std::runtime_error("early failure");
            case Mode::fromThread: {
                // The worker delivers only once didReceive is on its way out, as a late reply would.
                auto returned = std::make_shared<std::promise<void>>();
                worker_ = std::thread([handler, content, returned = returned->get_future()]() mutable {
                    returned.wait();
                    content.setTitle("async");
                    handler(content);
                });
                struct SignalOnReturn {
                    std::shared_ptr<std::promise<void>> returned;
                    ~SignalOnReturn() { returned->set_value(); }
                } signal{returned};
                break;
            }
        }
    }
    void serviceExtensionTimeWillExpire() override {
        ++expiries;
        if (mode_ == Mode::keepHandler && handler_) {
            UNMutableNotificationContent late;
            late.setTitle("expired");
            handler_(late);
            handler_(late);
        }
    }

    std::atomic<int> expiries{0};

private:
    Mode mode_;
    ContentHandler handler_;
    std::thread worker_;
};

}  // namespace

TEST(UserNotifications, MutableCopyKeepsEveryFieldAndUserInfoStaysAnObject) {
    UNMutableNotificationContent content;
    content.setTitle("t");
    content.setSubtitle("s");
    content.setBody("b");
    content.setUserInfo(Json{{"aps", {{"sound", "chime.caf"}}}});
    content.setSound(UNNotificationSound::soundNamed("chime.caf"));
    const UNNotificationContent& readOnly = content;
    auto copy = readOnly.mutableCopy();
    EXPECT_EQ(copy.title(), "t");
    EXPECT_EQ(copy.subtitle(), "s");
    EXPECT_EQ(copy.body(), "b");
    EXPECT_EQ(copy.userInfo(), content.userInfo());
    EXPECT_EQ(copy.sound(), content.sound());
    EXPECT_EQ(copy.sound()->description(), "named:chime.caf");
    EXPECT_EQ(UNNotificationSound::defaultSound().description(), "default");
    EXPECT_THROW(copy.setUserInfo(Json::array()), std::invalid_argument);
    EXPECT_TRUE(UNNotificationContent().userInfo().is_object());
}

TEST(UserNotifications, OnlyTheFirstHandlerCallCounts) {
    ScriptedExtension ext(ScriptedExtension::Mode::callTwice);
    auto delivery = platform::deliverNotification(ext, requestTitled("push"), kFast);
    EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::handler);
    EXPECT_EQ(delivery.content.title(), "first");
    EXPECT_EQ(ext.expiries, 0);
}

TEST(UserNotifications, HandlerCalledLaterFromAnotherThreadWithinTheBudget) {
    ScriptedExtension ext(ScriptedExtension::Mode::fromThread);
    auto delivery = platform::deliverNotification(ext, requestTitled("push"), {2000ms, 50ms});
    EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::handler);
    EXPECT_EQ(delivery.content.title(), "async");
    EXPECT_EQ(ext.expiries, 0);
}

TEST(UserNotifications, MissedBudgetCallsExpiryOnceThenFallsBackToTheOriginal) {
    {
        ScriptedExtension ext(ScriptedExtension::Mode::keepHandler);
        auto delivery = platform::deliverNotification(ext, requestTitled("push"), kFast);
        EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::afterExpiry);
        EXPECT_EQ(delivery.content.title(), "expired");
        EXPECT_EQ(ext.expiries, 1);
    }
    {
        ScriptedExtension ext(ScriptedExtension::Mode::silent);
        auto delivery = platform::deliverNotification(ext, requestTitled("push"), kFast);
        EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::original);
        EXPECT_EQ(delivery.content.title(), "push");
        EXPECT_EQ(delivery.content.sound(), UNNotificationSound::defaultSound());
        EXPECT_EQ(ext.expiries, 1);
    }
}

TEST(UserNotifications, AFailingExtensionNeverCostsTheNotification) {
    {
        ScriptedExtension ext(ScriptedExtension::Mode::throwBeforeDelivery);
        auto delivery = platform::deliverNotification(ext, requestTitled("push"), kFast);
        EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::original);
        EXPECT_EQ(delivery.content.title(), "push");
    }
    {
        ScriptedExtension ext(ScriptedExtension::Mode::throwAfterDelivery);
        auto delivery = platform::deliverNotification(ext, requestTitled("push"), kFast);
        EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::handler);
        EXPECT_EQ(delivery.content.title(), "delivered");
    }
}

TEST(UserNotifications, BaseExtensionDeliversTheContentUnchanged) {
    UNNotificationServiceExtension base;
    auto delivery = platform::deliverNotification(base, requestTitled("as is"), kFast);
    EXPECT_EQ(delivery.path, UNNotificationDelivery::Path::handler);
    EXPECT_EQ(delivery.content.title(), "as is");
    EXPECT_EQ(delivery.content.userInfo(), (Json{{"kind", "cmd"}}));
}
