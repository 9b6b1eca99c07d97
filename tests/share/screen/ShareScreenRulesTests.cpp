// The small rules of the share controller as tables: the tickets set aside at start-up, the
// stored modes, what a send locks, badge texts and the keyboard's arithmetic.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/BadgeText.h"
#include "TarvoShareExtension/ShareViewController/Screen/KeyboardAvoidance.h"
#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"

namespace {

using namespace tarvo;
using namespace tarvo::share;
using platform::CGRect;

std::shared_ptr<platform::NSItemProvider> named(std::optional<std::string> name) {
    auto p = platform::NSItemProvider::withItem(std::string("x"), "public.plain-text");
    p->setSuggestedName(std::move(name));
    return p;
}

TEST(ShareStartupRules, TicketsAreSetAsideByTheirNamesIgnoringCase) {
    auto photo = named("IMG_1.jpg");
    auto deploy = named("Batch.NVK-DEPLOY.JSON");
    auto reply = named("r.nvk-return.json");
    auto unnamed = named(std::nullopt);
    auto lookalike = named("x.nvk-deploy.json.txt");
    const SharedItems shared = separateSidecars({photo, deploy, unnamed, reply, lookalike});
    EXPECT_EQ(shared.deploymentSidecars, ProviderList{deploy});
    EXPECT_EQ(shared.returnSidecars, ProviderList{reply});
    EXPECT_EQ(shared.items, (ProviderList{photo, unnamed, lookalike}));
}

TEST(ShareStartupRules, StoredModesNeedTheExactText) {
    using S = std::optional<std::string>;
    EXPECT_EQ(storedServerMode(S("multi")), ServerMode::multi);
    for (const S& other : {S("Multi"), S(" multi"), S(""), S(std::nullopt)}) {
        EXPECT_EQ(storedServerMode(other), ServerMode::single);
    }
    EXPECT_EQ(storedMultiDispatchMode(S("oneByOne")), MultiDispatchMode::oneByOne);
    EXPECT_EQ(storedMultiDispatchMode(S("onebyone")), MultiDispatchMode::all);
    EXPECT_EQ(retiredDraftSettingsKeys().size(), 14u);
}

TEST(SendStateRules, WhatABusyScreenAllows) {
    struct Case {
        const char* name;
        BusyInputs in;
        BusyControlStates expected;
    } cases[] = {
        // busy, finished, servers, mode, linked, providers
        {"idle, two servers, items", {false, false, 2, ServerMode::single, false, 1}, {true, true, true, true, true, false}},
        {"busy", {true, false, 2, ServerMode::single, false, 1}, {false, false, false, false, false, true}},
        {"one server", {false, false, 1, ServerMode::single, false, 1}, {true, false, false, true, true, false}},
        {"multi mode", {false, false, 3, ServerMode::multi, false, 1}, {true, true, false, true, true, false}},
        {"no servers", {false, false, 0, ServerMode::single, false, 1}, {true, false, false, false, true, false}},
        {"nothing to send", {false, false, 2, ServerMode::single, false, 0}, {true, true, true, true, false, false}},
        {"linked deployment", {false, false, 2, ServerMode::single, true, 0}, {true, true, true, true, true, false}},
        {"completed", {false, true, 2, ServerMode::single, false, 1}, {true, true, true, true, false, false}},
    };
    for (const auto& c : cases) EXPECT_EQ(busyControlStates(c.in), c.expected) << c.name;
}

TEST(SendStateRules, SingleSendServer) {
    ServerProfile a, b, active;
    a.id = "a";
    b.id = "b";
    active.id = "act";
    EXPECT_EQ(singleSendServer({a, b}, "b", active)->id, "b");
    EXPECT_EQ(singleSendServer({a, b}, "gone", active)->id, "act");
    EXPECT_EQ(singleSendServer({a, b}, "", active)->id, "act");
    EXPECT_FALSE(singleSendServer({}, "a", std::nullopt));
    EXPECT_EQ(kPreparingText, "Preparing\u2026");
}

TEST(BadgeTextRules, SuccessBadge) {
    EXPECT_EQ(successBadgeAccessibilityLabel(1, false), "Succeeded here once");
    EXPECT_EQ(successBadgeAccessibilityLabel(3, true), "Succeeded here 3 times with exact evidence");
    EXPECT_EQ(successBadgeAccessibilityLabel(0, false), "Succeeded here 0 times");
    EXPECT_EQ(successBadgeSymbolName(true), "checkmark.seal.fill");
    EXPECT_EQ(successBadgeSymbolName(false), "checkmark.circle.fill");
}

TEST(BadgeTextRules, CompactSuccessCountFromTheFirstLineThatMentionsSuccess) {
    using Lines = std::vector<std::string>;
    using R = std::optional<std::string>;
    struct Case {
        Lines evidence;
        R expected;
    } cases[] = {
        {{"Score 12", "SUCCEEDED 4 x on this server"}, R("4\u00d7")},
        {{"succeeded 12\u00d7 before"}, R("12\u00d7")},
        {{"ran 3x", "succeed often", "succeeded 9x"}, std::nullopt},  // only the first success line
        {{"ran 3x"}, std::nullopt},
        {{}, std::nullopt},
        {{"succeeded 5 times"}, std::nullopt},
        {{"succeeded " + std::string(20000, '7') + "y"}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(compactSuccessBadge(c.evidence), c.expected);
}

TEST(KeyboardRules, OverlapAndInsets) {
    // Root bottom at 844, safe area 34 below.
    EXPECT_EQ(keyboardOverlap(844, 500, 34), 310);
    EXPECT_EQ(keyboardOverlap(844, 810, 34), 0) << "at the safe area's edge";
    EXPECT_EQ(keyboardOverlap(844, 844, 34), 0) << "below it";
    EXPECT_EQ(keyboardBottomContentInset(310), 334);
    EXPECT_EQ(keyboardBottomContentInset(0), 0) << "no margin without overlap";

    const CGRect frame(0, 500, 390, 344);
    EXPECT_EQ(keyboardOverlapAfter(true, frame, 844, 34, 100), 0) << "hiding";
    EXPECT_EQ(keyboardOverlapAfter(false, frame, 844, 34, 100), 310);
    EXPECT_EQ(keyboardOverlapAfter(false, std::nullopt, 844, 34, 100), 100) << "no end frame keeps the overlap";

    EXPECT_EQ(caretFocusRect(CGRect(10, 100, 2, 20)), CGRect(-2, 72, 26, 76));
    EXPECT_EQ(fieldFocusRect(CGRect(0, 0, 100, 34)), CGRect(-8, -28, 116, 90));
}

TEST(KeyboardRules, NotificationDefaults) {
    platform::Notification n{platform::UIKeyboard::willChangeFrameNotification, {}};
    KeyboardAnimation a = keyboardAnimation(n);
    EXPECT_EQ(a.duration, 0.25);
    EXPECT_EQ(a.curve, 0);
    n.userInfo[platform::UIKeyboard::animationDurationKey] = 0.4;
    n.userInfo[platform::UIKeyboard::animationCurveKey] = 7.0;
    a = keyboardAnimation(n);
    EXPECT_EQ(a.duration, 0.4);
    EXPECT_EQ(a.curve, 7);
    n.userInfo[platform::UIKeyboard::animationDurationKey] = std::string("slow");
    EXPECT_EQ(keyboardAnimation(n).duration, 0.25) << "not a number";
}

TEST(ShareScreenRolesTest, RolesAreFieldNamesAndItemsCarryTheirIdentity) {
    EXPECT_EQ(roles::sendButton, "sendButton");
    EXPECT_EQ(roles::serverRow("a"), "serverRow:a");
    EXPECT_EQ(roles::serverSelect("a"), "serverSelect:a");
    EXPECT_EQ(roles::serverExpand("a"), "serverExpand:a");
    EXPECT_EQ(roles::entryChip("app/deploy.sh"), "entryChip:app/deploy.sh");
    EXPECT_EQ(roles::serverEntryChip("a", "app/deploy.sh"), "serverEntryChip:a:app/deploy.sh");
    const auto& all = roles::controlRoles();
    EXPECT_EQ(std::set<std::string_view>(all.begin(), all.end()).size(), all.size()) << "no role twice";
}

}  // namespace
