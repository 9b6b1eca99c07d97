// The step language: what each step parses to, the errors of bad steps, and steps carried out.
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/uikit/ScreenStep.h"
#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using V = ScreenStep::Verb;

ScreenStep step(V verb, std::string target = {}, std::string text = {}) {
    ScreenStep s;
    s.verb = verb;
    s.target = std::move(target);
    s.text = std::move(text);
    return s;
}

TEST(ScreenStepParser, ParsesEveryVerb) {
    auto menu = [](std::string target, std::vector<std::string> path) {
        ScreenStep s = step(V::menu, std::move(target));
        s.menuPath = std::move(path);
        return s;
    };
    auto field = [](std::size_t n, std::string text) {
        ScreenStep s = step(V::alertField, {}, std::move(text));
        s.fieldNumber = n;
        return s;
    };
    auto keyboard = [](std::optional<double> top) {
        ScreenStep s = step(V::keyboard);
        s.keyboardTop = top;
        return s;
    };
    const std::pair<const char*, ScreenStep> cases[] = {
        {"tap:sendButton", step(V::tap, "sendButton")},
        {"tap:serverRow:a", step(V::tap, "serverRow:a")},
        {"tap:Upload → Server A", step(V::tap, "Upload → Server A")},
        {"type:kindField=a=b", step(V::type, "kindField", "a=b")},
        {"type:deployCommandTextView=bash a\\nbash \\\\b\\t", step(V::type, "deployCommandTextView", "bash a\nbash \\b\t")},
        {"replace:destFolderField=", step(V::replace, "destFolderField", "")},
        {"end", step(V::end)},
        {"segment:actionControl=Upload", step(V::segment, "actionControl", "Upload")},
        {"menu:postUploadButton=Unzip + Run", menu("postUploadButton", {"Unzip + Run"})},
        {"menu:serverButton=More/Server C", menu("serverButton", {"More", "Server C"})},
        {"menu:serverButton=a\\/b/c", menu("serverButton", {"a/b", "c"})},
        {"toggle:returnResultSwitch", step(V::toggle, "returnResultSwitch")},
        {"alert:Create", step(V::alert, {}, "Create")},
        {"alert-field:1=reports", field(1, "reports")},
        {"alert-field:12=a=b", field(12, "a=b")},
        {"keyboard:508", keyboard(508)},
        {"keyboard:400.5", keyboard(400.5)},
        {"keyboard:hide", keyboard(std::nullopt)},
        {"search:web", step(V::search, {}, "web")},
        {"search:", step(V::search, {}, "")},
        {"refresh", step(V::refresh)},
        {"wait", step(V::wait)},
        {"dump", step(V::dump)},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseScreenStep(text), expected) << text;
    }
}

TEST(ScreenStepParser, RejectsBadStepsWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "bad step \"\": no verb"},
        {"hover:x", "unknown verb \"hover\" (known: tap, type, replace"},
        {"tap", "tap needs a target"},
        {"tap:", "tap needs a target"},
        {"toggle:", "toggle needs a target"},
        {"end:now", "end takes no argument"},
        {"wait:5", "wait takes no argument"},
        {"type:kindField", "type needs TARGET=TEXT"},
        {"type:=x", "type needs a target before \"=\""},
        {"type:kindField=", "type needs a text to type"},
        {"type:x=a\\q", "unknown escape \\q (use \\n, \\t or \\\\)"},
        {"type:x=abc\\", "a backslash ends the text"},
        {"type:x=a\\/b", "unknown escape \\/ (only menu paths escape a slash)"},
        {"segment:x=", "segment needs a segment title"},
        {"menu:x", "menu needs TARGET=TITLE[/TITLE...]"},
        {"menu:x=a//b", "menu titles must not be empty"},
        {"menu:x=a/", "menu titles must not be empty"},
        {"alert:", "alert needs a button title"},
        {"alert-field:0=x", "alert-field needs a field number from 1, not \"0\""},
        {"alert-field:one=x", "alert-field needs a field number from 1, not \"one\""},
        {"alert-field:99999999999999999999=x", "needs a field number from 1"},
        {"keyboard:", "keyboard needs a top edge in points or \"hide\""},
        {"keyboard:-5", "keyboard needs a top edge in points (a number, 0 or more)"},
        {"keyboard:1e3", "keyboard needs a top edge"},
        {"keyboard:abc", "keyboard needs a top edge"},
        {"search", "search needs a text after \":\""},
    };
    for (const auto& [text, message] : cases) {
        try {
            parseScreenStep(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const ScreenStepError& e) {
            EXPECT_THAT(e.what(), HasSubstr(message)) << text;
        }
    }
}

TEST_F(ScreenTest, StepsAreCarriedOutOnTheDriver) {
    std::ostringstream out;
    for (const char* s : {"type:kindField=clip", "end", "segment:serverModeControl=Multi", "toggle:returnResultSwitch",
                          "tap:sendButton", "keyboard:500", "keyboard:hide", "wait", "dump"}) {
        performScreenStep(driver, parseScreenStep(s), out);
    }
    EXPECT_THAT(screen->log, ElementsAre("shouldBegin kindField", "didBegin kindField", "shouldChange kindField 0+0 \"c\"",
                                         "changed kindField", "shouldChange kindField 1+0 \"l\"", "changed kindField",
                                         "shouldChange kindField 2+0 \"i\"", "changed kindField",
                                         "shouldChange kindField 3+0 \"p\"", "changed kindField", "done", "didEnd kindField",
                                         "ended kindField", "mode 1", "returnResult off", "send"));
    EXPECT_EQ(out.str(), driver.dump());
    EXPECT_THROW(performScreenStep(driver, parseScreenStep("alert:OK"), out), UIDriverError);
}

}  // namespace
}  // namespace uikit_test
