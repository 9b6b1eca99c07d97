// The keyboard's notifications through the window's notification centre, the animator that
// stands in for animations, and the main queue the driver runs until idle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(ScreenTest, TheDriverPostsKeyboardFramesWithDurationCurveAndEndFrame) {
    std::vector<Notification> seen;
    auto changes = window.notificationCenter().addObserver(UIKeyboard::willChangeFrameNotification,
                                                           [&](const Notification& n) { seen.push_back(n); });
    auto hides = window.notificationCenter().addObserver(UIKeyboard::willHideNotification,
                                                         [&](const Notification& n) { seen.push_back(n); });
    driver.showKeyboard(508);
    EXPECT_EQ(window.keyboardFrame(), CGRect(0, 508, 390, 336));
    EXPECT_THAT(driver.dump(), HasSubstr("Window 390x844 keyboard.top=508\n"));
    driver.hideKeyboard();
    EXPECT_FALSE(window.keyboardFrame());

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].name, UIKeyboard::willChangeFrameNotification);
    EXPECT_EQ(seen[0].number(UIKeyboard::animationDurationKey), 0.25);
    EXPECT_EQ(seen[0].number(UIKeyboard::animationCurveKey), 7);
    EXPECT_EQ(seen[0].rect(UIKeyboard::frameEndKey), CGRect(0, 508, 390, 336));
    // In the root view's coordinates the frame is the same: the root fills the window, and its
    // safe area is the window's.
    EXPECT_EQ(screen->view()->convertFromWindow(*seen[0].rect(UIKeyboard::frameEndKey)), CGRect(0, 508, 390, 336));
    EXPECT_EQ(screen->view()->safeAreaInsets(), (UIEdgeInsets{47, 0, 34, 0}));
    EXPECT_EQ(screen->dock->safeAreaInsets(), (UIEdgeInsets{}));
    EXPECT_EQ(seen[1].name, UIKeyboard::willHideNotification);
    EXPECT_EQ(seen[1].rect(UIKeyboard::frameEndKey), CGRect(0, 844, 390, 336));

    // Values are read by kind: a rectangle is not a number, text is neither.
    Notification loose{"x", {{"d", std::string("0.3")}, {"r", CGRect(1, 2, 3, 4)}}};
    EXPECT_FALSE(loose.number("d"));
    EXPECT_FALSE(loose.number("r"));
    EXPECT_FALSE(loose.rect("d"));
    EXPECT_FALSE(loose.number("absent"));

    for (double bad : {-1.0, 845.0, std::nan("")}) {
        EXPECT_THAT(driverProblem([&] { driver.showKeyboard(bad); }), HasSubstr("lies outside the window (0 to 844)"));
    }
    EXPECT_EQ(seen.size(), 2u);
}

TEST(NotificationCenterTest, ObservationsEndWithTheirTokenAlsoDuringDelivery) {
    std::vector<std::string> calls;
    NotificationCenter::Observation late;
    NotificationCenter::Observation second;
    {
        NotificationCenter center;
        NotificationCenter::Observation first = center.addObserver("n", [&](const Notification&) {
            calls.push_back("first");
            second.cancel();  // removed before its turn: not called
            late = center.addObserver("n", [&](const Notification&) { calls.push_back("late"); });
        });
        second = center.addObserver("n", [&](const Notification&) { calls.push_back("second"); });
        auto other = center.addObserver("other", [&](const Notification&) { calls.push_back("other"); });
        center.post({"n", {}});
        EXPECT_THAT(calls, ElementsAre("first"));  // one added during delivery waits for the next post
        EXPECT_EQ(center.observerCount("n"), 2u);
        first = {};
        center.post({"n", {}});
        EXPECT_THAT(calls, ElementsAre("first", "late"));
    }
    EXPECT_FALSE(late.active());  // the centre is gone; cancelling is still safe
    late.cancel();
}

TEST_F(ScreenTest, AnimationsRunAtOnceAndRecordWhatWasAsked) {
    int ran = 0;
    bool finished = false;
    window.animator().animate(
        0.25, 0, UIViewAnimationOptions::curve(7) | UIViewAnimationOptions::beginFromCurrentState, [&] { ++ran; },
        [&](bool done) { finished = done; });
    window.animator().transition(*screen->serverRow, 0.18,
                                 UIViewAnimationOptions::transitionCrossDissolve | UIViewAnimationOptions::allowUserInteraction,
                                 [&] { ++ran; });
    EXPECT_EQ(ran, 2);
    EXPECT_TRUE(finished);
    const auto& records = window.animator().records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].duration, 0.25);
    EXPECT_EQ(records[0].curve(), 7);
    EXPECT_TRUE(records[0].options & UIViewAnimationOptions::beginFromCurrentState);
    EXPECT_EQ(records[1].kind, AnimationRecord::Kind::transition);
    EXPECT_EQ(records[1].viewRole, "serverRow:a");
    EXPECT_EQ(records[1].options, UIViewAnimationOptions::transitionCrossDissolve | UIViewAnimationOptions::allowUserInteraction);
}

TEST_F(ScreenTest, RunningUntilIdleRunsWorkDeferredByATurnOfTheMainQueue) {
    std::vector<std::string> order;
    window.mainQueue().post([&] {
        order.push_back("focus scroll");
        window.mainQueue().post([&] { order.push_back("one more turn"); });
    });
    order.push_back("typed");
    driver.runUntilIdle();
    EXPECT_THAT(order, ElementsAre("typed", "focus scroll", "one more turn"));
}

}  // namespace
}  // namespace uikit_test
