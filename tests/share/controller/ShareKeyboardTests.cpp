// Keyboard avoidance on the share screen: insets from the keyboard's frames, hiding, a change
// without an end frame, and the field or caret scrolled into view.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;

class ShareKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.setServers(Json::array({env.server("a", "Alpha")}));
        c = env.start({env.textItem("note")});
    }
    double contentBottom() const { return c->scrollView->contentInset.bottom; }
    double indicatorBottom() const { return c->scrollView->verticalScrollIndicatorInsets.bottom; }

    ShareTestEnvironment env;
    std::shared_ptr<tarvo::ShareViewController> c;
};

TEST_F(ShareKeyboardTest, InsetsFollowTheKeyboardsFrames) {
    env.window().animator().clearRecords();
    env.driver().showKeyboard(500);
    EXPECT_EQ(c->keyboardBottomInset, 844 - 500 - 34);
    EXPECT_EQ(contentBottom(), 310 + 24);
    EXPECT_EQ(indicatorBottom(), 310 + 24);
    ASSERT_EQ(env.window().animator().records().size(), 1u);
    const auto& record = env.window().animator().records().back();
    EXPECT_EQ(record.duration, 0.25);
    EXPECT_EQ(record.curve(), 7);
    EXPECT_TRUE(record.options & UIViewAnimationOptions::beginFromCurrentState);

    // A keyboard that does not reach above the safe area covers nothing: no margin either.
    env.driver().showKeyboard(815);
    EXPECT_EQ(c->keyboardBottomInset, 0);
    EXPECT_EQ(contentBottom(), 0);

    env.driver().showKeyboard(400);
    env.driver().hideKeyboard();
    EXPECT_EQ(c->keyboardBottomInset, 0);
    EXPECT_EQ(contentBottom(), 0);
    EXPECT_EQ(indicatorBottom(), 0);
}

TEST_F(ShareKeyboardTest, AChangeWithoutAnEndFrameKeepsTheOverlapAndStillAnimates) {
    env.driver().showKeyboard(500);
    env.window().animator().clearRecords();
    env.window().notificationCenter().post(Notification{UIKeyboard::willChangeFrameNotification, {}});
    EXPECT_EQ(c->keyboardBottomInset, 310);
    EXPECT_EQ(contentBottom(), 334);
    ASSERT_EQ(env.window().animator().records().size(), 1u);
    EXPECT_EQ(env.window().animator().records().back().duration, 0.25) << "the default duration";
    EXPECT_EQ(env.window().animator().records().back().curve(), 0) << "the default curve";
}

TEST_F(ShareKeyboardTest, ARebuildKeepsTheKeyboardInset) {
    env.driver().showKeyboard(500);
    c->render();
    EXPECT_EQ(contentBottom(), 334);
    EXPECT_EQ(indicatorBottom(), 334);
}

// The recipe's fields shown whatever the draft, so one test can reach fields of both actions.
void revealRecipeFields(tarvo::ShareViewController& c) {
    for (UIView* v : {static_cast<UIView*>(c.uploadFieldsStack.get()), static_cast<UIView*>(c.advancedUploadOptionsStack.get()),
                      static_cast<UIView*>(c.customWorkingDirectoryField.get()), static_cast<UIView*>(c.deployCommandTextView.get())}) {
        v->hidden = false;
    }
}

TEST_F(ShareKeyboardTest, TheFieldBeingEditedIsScrolledIntoViewOnceTheKeyboardIsUp) {
    revealRecipeFields(*c);
    // Before the keyboard: starting to edit scrolls nothing.
    env.driver().tap(std::string(roles::customWorkingDirectoryField));
    env.runUntilIdle();
    EXPECT_EQ(c->scrollView->scrollToVisibleCount(), 0u);

    // The keyboard's frame brings the field into view.
    env.driver().showKeyboard(500);
    ASSERT_EQ(c->scrollView->scrollToVisibleCount(), 1u);
    const CGRect field = c->customWorkingDirectoryField->convert(c->customWorkingDirectoryField->bounds(),
                                                                 c->scrollView.get());
    EXPECT_EQ(c->scrollView->lastScrollToVisible()->rect, field.outsetBy(8, 28));

    // Moving to another field with the keyboard up scrolls one turn of the queue later, animated.
    env.driver().tap(std::string(roles::kindField));
    EXPECT_EQ(c->scrollView->scrollToVisibleCount(), 1u);
    env.runUntilIdle();
    ASSERT_EQ(c->scrollView->scrollToVisibleCount(), 2u);
    EXPECT_TRUE(c->scrollView->lastScrollToVisible()->animated);
    EXPECT_EQ(c->activeEditingView.lock(), c->kindField);
}

TEST_F(ShareKeyboardTest, TypingACommandKeepsTheCaretInView) {
    // The command shows for an upload that runs a command, with the advanced options open.
    c->draft.action = tarvo::share::ShareAction::upload;
    c->draft.postUploadAction = tarvo::share::PostUploadAction::run;
    c->advancedUploadOptionsExpanded = true;
    c->applyDraftToUI();
    env.driver().showKeyboard(500);
    env.driver().typeText(std::string(roles::deployCommandTextView), "line one\nline two");
    env.runUntilIdle();
    ASSERT_TRUE(c->scrollView->lastScrollToVisible());
    const auto& view = *c->deployCommandTextView;
    const CGRect caret = view.convert(view.caretRect(view.text.size()), c->scrollView.get());
    EXPECT_EQ(c->scrollView->lastScrollToVisible()->rect, caret.outsetBy(12, 28));
}

TEST_F(ShareKeyboardTest, HiddenOrOutsideFieldsAreNeverScrolledTo) {
    env.driver().showKeyboard(500);
    const auto before = c->scrollView->scrollToVisibleCount();
    c->activeEditingView = c->customWorkingDirectoryField;
    c->advancedUploadOptionsStack->hidden = true;
    EXPECT_FALSE(c->activeEditingRectInScrollView());
    c->activeEditingView = c->sendButton;  // in the dock, outside the form
    EXPECT_FALSE(c->activeEditingRectInScrollView());
    env.driver().showKeyboard(450);
    EXPECT_EQ(c->scrollView->scrollToVisibleCount(), before);
}

TEST_F(ShareKeyboardTest, EndingEditingClearsOnlyTheFieldThatWasActive) {
    c->textFieldDidBeginEditing(*c->kindField);
    c->textFieldDidBeginEditing(*c->replyToField);
    c->textFieldDidEndEditing(*c->kindField);
    EXPECT_EQ(c->activeEditingView.lock(), c->replyToField);
    c->textFieldDidEndEditing(*c->replyToField);
    EXPECT_FALSE(c->activeEditingView.lock());
    // Return ends editing.
    env.driver().typeText(std::string(roles::kindField), "x");
    env.driver().pressReturn();
    EXPECT_FALSE(env.window().firstResponder());
}

}  // namespace
}  // namespace share_test
