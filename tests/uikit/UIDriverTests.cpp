// The driver against a small screen: how targets are found, which touches are refused, and the
// events typing, ending, segments and switches send.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(ScreenTest, TargetsAreRolesThenIdentifiersThenVisibleTexts) {
    // A role wins over a text that reads the same elsewhere, an identifier over a text.
    screen->titleLabel->text = "sendButton";
    EXPECT_EQ(driver.find("sendButton"), screen->sendButton);
    EXPECT_EQ(driver.find("a"), screen->serverRow);
    EXPECT_EQ(driver.find("Upload → Server A"), screen->sendButton);
    EXPECT_EQ(driver.find("e.g. clipboard"), screen->kindField);  // an empty field by its placeholder

    struct Case {
        const char* target;
        const char* problem;
    } cases[] = {
        {"nothing here", "no view matches \"nothing here\""},
        {"Server A", "\"Server A\" is ambiguous: 2 views match by visible text (Button #serverButton, Label)"},
        {"Only when expanded", "no view matches"},  // texts of hidden views are not visible
    };
    for (const auto& c : cases) {
        EXPECT_THAT(driverProblem([&] { driver.find(c.target); }), HasSubstr(c.problem)) << c.target;
    }
}

TEST_F(ScreenTest, TapsReachOnlyVisibleEnabledViewsThatTakeTouches) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* target;
        const char* problem;  // "" when the tap goes through
    } cases[] = {
        {"plain", [] {}, "sendButton", ""},
        {"hidden itself", [&] { screen->sendButton->hidden = true; }, "sendButton", "it is hidden"},
        {"hidden ancestor", [&] { screen->dock->hidden = true; }, "sendButton", "it is hidden"},
        {"transparent ancestor", [&] { screen->dock->alpha = 0; }, "sendButton", "it is hidden"},
        {"disabled", [&] { screen->sendButton->enabled = false; }, "sendButton", "it is disabled"},
        {"ancestor takes no touches", [&] { screen->dock->userInteractionEnabled = false; }, "sendButton",
         "it does not take touches"},
        {"label only", [] {}, "titleLabel", "nothing there reacts to a tap"},
        {"hidden role", [] {}, "hiddenNote", "it is hidden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen = std::make_shared<SampleScreen>();
        window.setRootViewController(screen);
        c.arrange();
        const std::string problem = driverProblem([&] { driver.tap(c.target); });
        if (*c.problem) {
            EXPECT_THAT(problem, HasSubstr(c.problem));
            EXPECT_TRUE(screen->log.empty());
        } else {
            EXPECT_EQ(problem, "");
            EXPECT_THAT(screen->log, ElementsAre("send"));
        }
    }
}

TEST_F(ScreenTest, FailureCarriesTheScreenDump) {
    try {
        driver.tap("missing");
        FAIL() << "no error";
    } catch (const UIDriverError& e) {
        EXPECT_THAT(e.screen(), HasSubstr("Button #sendButton \"Upload → Server A\""));
        EXPECT_THAT(std::string(e.what()), HasSubstr("no view matches \"missing\" (by role, accessibility identifier or visible text)\nWindow 390x844"));
    }
}

TEST_F(ScreenTest, ATextInsideARowControlTapsTheRowThroughItsUntouchableColumn) {
    driver.tap("/uploads · Failed · exit 2");
    driver.tap("serverRow:a");
    EXPECT_THAT(screen->log, ElementsAre("row", "row"));
}

TEST_F(ScreenTest, TypingSendsEveryKeystrokeThroughTheDelegateAndTheControlEvents) {
    screen->kindField->text = "x";
    driver.typeText("kindField", "ab");
    EXPECT_THAT(screen->log, ElementsAre("shouldBegin kindField", "didBegin kindField", "shouldChange kindField 1+0 \"a\"",
                                         "changed kindField", "shouldChange kindField 2+0 \"b\"", "changed kindField"));
    EXPECT_EQ(screen->kindField->text, "xab");

    // The accessory row's Done ends editing (forced: the delegate is not asked).
    screen->log.clear();
    driver.endEditing();
    EXPECT_THAT(screen->log, ElementsAre("done", "didEnd kindField", "ended kindField"));
    EXPECT_EQ(window.firstResponder(), nullptr);
}

TEST_F(ScreenTest, TypingMovesFocusAndKeepsGraphemesWhole) {
    driver.typeText("kindField", "a");
    screen->log.clear();
    screen->refuseDigits = true;
    driver.typeText("destFolderField", "e\u0301👍🏽1/");
    EXPECT_THAT(screen->log,
                ElementsAre("shouldEnd kindField", "didEnd kindField", "ended kindField", "shouldBegin destFolderField",
                            "didBegin destFolderField", "shouldChange destFolderField 0+0 \"e\u0301\"",
                            "changed destFolderField", "shouldChange destFolderField 3+0 \"👍🏽\"", "changed destFolderField",
                            "shouldChange destFolderField 11+0 \"1\"", "shouldChange destFolderField 11+0 \"/\"",
                            "changed destFolderField"));
    EXPECT_EQ(screen->destFolderField->text, "e\u0301👍🏽/");  // the refused digit is dropped
}

TEST_F(ScreenTest, ReplaceIsOneChangeAndReturnGoesThroughTheDelegate) {
    screen->destFolderField->text = "old";
    driver.replaceText("destFolderField", "new/path");
    EXPECT_THAT(screen->log, ElementsAre("shouldBegin destFolderField", "didBegin destFolderField",
                                         "shouldChange destFolderField 0+3 \"new/path\"", "changed destFolderField"));
    screen->log.clear();
    driver.pressReturn();
    EXPECT_THAT(screen->log, ElementsAre("return destFolderField", "shouldEnd destFolderField", "didEnd destFolderField",
                                         "ended destFolderField"));
    EXPECT_THAT(driverProblem([&] { driver.endEditing(); }), HasSubstr("no field is being edited"));
}

TEST_F(ScreenTest, ARebuildWhileEditingEndsEditingInTheViewsItRemoves) {
    driver.typeText("kindField", "a");
    screen->log.clear();
    screen->contentStack->removeAllArrangedSubviews();
    EXPECT_THAT(screen->log, ElementsAre("didEnd kindField", "ended kindField"));
    EXPECT_EQ(window.firstResponder(), nullptr);
    screen->contentStack->addArrangedSubview(screen->kindField);
    driver.typeText("kindField", "b");
    EXPECT_EQ(screen->kindField->text, "ab");
}

TEST_F(ScreenTest, TextViewTypesAtTheSelectionAndInsertTextReplacesIt) {
    screen->commandView->text = "bash run.sh";
    driver.typeText("deployCommandTextView", "\nx");
    EXPECT_EQ(screen->commandView->text, "bash run.sh\nx");
    screen->commandView->selectedRange = {5, 3};  // "run"
    screen->commandView->insertText("{file}");
    EXPECT_EQ(screen->commandView->text, "bash {file}.sh\nx");
    EXPECT_EQ(screen->commandView->selectedRange, (NSRange{11, 0}));
    EXPECT_THAT(screen->log, ElementsAre("didBegin deployCommandTextView", "textViewDidChange \"bash run.sh\n\"",
                                         "textViewDidChange \"bash run.sh\nx\"",
                                         "textViewDidChange \"bash {file}.sh\nx\""));
    driver.endEditing();  // its accessory's Done
    EXPECT_FALSE(screen->commandView->isFirstResponder());
}

TEST_F(ScreenTest, SegmentsAndSwitchesSendValueChangedOnlyForAChange) {
    driver.chooseSegment("serverModeControl", "Single");  // already chosen: nothing
    driver.chooseSegment("serverModeControl", "Multi");
    driver.toggle("returnResultSwitch");
    driver.toggle("returnResultSwitch");
    EXPECT_THAT(screen->log, ElementsAre("mode 1", "returnResult off", "returnResult on"));

    screen->modeControl->setEnabled(false, 0);
    EXPECT_THAT(driverProblem([&] { driver.chooseSegment("serverModeControl", "Single"); }),
                HasSubstr("segment \"Single\" of \"serverModeControl\" is disabled"));
    EXPECT_THAT(driverProblem([&] { driver.chooseSegment("serverModeControl", "Both"); }),
                HasSubstr("has no segment \"Both\"; it has \"Single\", \"Multi\""));
    EXPECT_THAT(driverProblem([&] { driver.chooseSegment("sendButton", "Multi"); }),
                HasSubstr("is not a segmented control"));
    EXPECT_THAT(driverProblem([&] { driver.toggle("serverModeControl"); }), HasSubstr("is not a switch"));
}

}  // namespace
}  // namespace uikit_test
