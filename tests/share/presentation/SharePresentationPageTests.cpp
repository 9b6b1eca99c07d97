// tarvo-share driven through its steps on the sample servers: the stored keys after each mode
// and selection step, the dump of the server rows, and the page in headless chromium in light
// and dark for a multi-server upload with its artifact card and for an emit.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIColor.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/HeadlessChromium.h"
#include "tests/support/Process.h"

namespace share_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using tarvo_test::ProcessResult;

class SharePresentationProgramTest : public ShareProgramFixture {
protected:
    SharePresentationProgramTest() : ShareProgramFixture("share-presentation") {}
    void SetUp() override { useSampleServers(); }
};

TEST_F(SharePresentationProgramTest, ModeAndSelectionStepsLeaveTheirKeys) {
    ProcessResult r = share({"--do", "segment:serverModeControl=Multi", "--text", "hello"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(storedJSON("share.serverMode"), "\"multi\"");
    EXPECT_EQ(storedJSON("share.multiServerIds"), "[\"staging\"]");
    EXPECT_THAT(r.out, HasSubstr("Label \"Selected \u00B7 1\""));
    EXPECT_THAT(r.out, HasSubstr("Button #otherServersDisclosure \"Other servers \u00B7 1\""));
    EXPECT_THAT(r.out, HasSubstr("Button #sendButton \"Send \u2192 1\""));

    // The next share starts in multi mode with the remembered selection.
    r = share({"--do", "tap:otherServersDisclosure", "--do", "tap:serverRow:prod", "--do",
               "segment:multiDispatchControl=One by One", "--text", "hello"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(storedJSON("share.multiServerIds"), "[\"staging\",\"prod\"]");
    EXPECT_EQ(storedJSON("share.multiDispatchMode"), "\"oneByOne\"");
    EXPECT_THAT(r.out, HasSubstr("Label #titleLabel \"note.txt \u2192 2 servers\""));
    EXPECT_THAT(r.out, HasSubstr("Label #statusLabel \"Staging box \u00B7 Production\""));
    EXPECT_THAT(r.out, HasSubstr("VStack #serverDetail:prod")) << "selected from the row's body: expanded";

    // Deselecting both leaves an empty remembered list; single mode names the screen's server.
    r = share({"--do", "tap:serverSelect:staging", "--do", "tap:serverSelect:prod", "--do",
               "segment:serverModeControl=Single", "--text", "hello"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(storedJSON("share.multiServerIds"), "[]");
    EXPECT_EQ(storedJSON("share.serverMode"), "\"single\"");
    EXPECT_EQ(storedJSON("share.singleServerId"), "\"staging\"");

    // Multi mode again: the empty remembered list falls back to the server the share started
    // on, not to the one the screen was switched to.
    r = share({"--do", "menu:serverButton=Production", "--do", "segment:serverModeControl=Multi", "--text", "hello"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(storedJSON("share.multiServerIds"), "[\"staging\"]");
    EXPECT_THAT(r.out, HasSubstr("Label #statusLabel \"Staging box\""));
    EXPECT_EQ(storedJSON("share.lastServerId"), "\"prod\"");
}

// ---- The page in a browser.

// Per phone (light, then dark): the text, top and background colour of each role, or null.
platform::Json probePage(const std::string& html, const std::vector<std::string>& roles, const std::string& dir) {
    std::string list;
    for (const auto& r : roles) list += std::string(list.empty() ? "" : ",") + "'" + r + "'";
    return tarvo_test::readBackPhones(
        tarvo_test::readFile(html),
        "  var o = {};"
        "  [" + list + "].forEach(function (role) {"
        "    var e = phone.querySelector('[data-role=\"' + role + '\"]');"
        "    o[role] = e ? {text: e.innerText, top: e.getBoundingClientRect().top,"
        "                   height: e.getBoundingClientRect().height,"
        "                   bg: getComputedStyle(e).backgroundColor,"
        "                   border: getComputedStyle(e).borderTopColor} : null; });"
        "  out.push(o);",
        dir);
}

std::string css(const platform::UIColor& c, platform::UIUserInterfaceStyle style) {
    // The browser writes opaque colours as rgb(...).
    std::string s = platform::cssColor(c.resolved(style));
    if (platform::text::hasPrefix(s, "rgba(") && platform::text::hasSuffix(s, ", 1)")) {
        s = "rgb(" + s.substr(5, s.size() - 5 - 4) + ")";
    }
    return s;
}

TEST_F(SharePresentationProgramTest, MultiServerUploadPageInLightAndDark) {
    if (!tarvo_test::findChromium()) GTEST_SKIP() << "no chromium installed";
    const std::string html = home.path() + "/multi.html";
    const ProcessResult r = share({"--html", html, "--do", "segment:serverModeControl=Multi", "--do",
                                   "tap:otherServersDisclosure", "--do", "tap:serverRow:prod", "--do",
                                   "menu:postUploadButton=Unzip", source("samples/share/project")});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    const platform::Json phones = probePage(html,
                                            {"heroHeaderCard", "titleLabel", "multiServerStack", "serverRow:staging",
                                             "serverRow:prod", "serverDetail:prod", "artifactCard", "actionDockCard",
                                             "itemsLabel", "sendButton", "serverButton"},
                                            home.path());
    ASSERT_EQ(phones.size(), 2u) << "light and dark";
    const platform::UIUserInterfaceStyle styles[] = {platform::UIUserInterfaceStyle::light,
                                                     platform::UIUserInterfaceStyle::dark};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& p = phones[i];
        SCOPED_TRACE(i == 0 ? "light" : "dark");
        for (const char* role : {"heroHeaderCard", "serverRow:staging", "serverRow:prod", "serverDetail:prod",
                                 "artifactCard", "sendButton"}) {
            ASSERT_FALSE(p[role].is_null()) << role << " is not on the page";
        }
        EXPECT_TRUE(p["serverButton"].is_null()) << "hidden in multi mode";
        EXPECT_THAT(p["titleLabel"]["text"].get<std::string>(), HasSubstr("\u2192 2 servers"));
        EXPECT_THAT(p["sendButton"]["text"].get<std::string>(), HasSubstr("Upload + Unzip \u2192 2"));
        EXPECT_THAT(p["itemsLabel"]["text"].get<std::string>(), HasSubstr("Upload + Unzip \u2192 2 servers"));
        EXPECT_THAT(p["serverDetail:prod"]["text"].get<std::string>(), HasSubstr("Recipe: Upload"));
        EXPECT_GT(p["artifactCard"]["height"].get<double>(), 20);
        // Order: hero, rows, the artifact card below them.
        EXPECT_LT(p["heroHeaderCard"]["top"].get<double>(), p["serverRow:staging"]["top"].get<double>());
        EXPECT_LT(p["serverRow:staging"]["top"].get<double>(), p["serverRow:prod"]["top"].get<double>());
        EXPECT_LT(p["serverRow:prod"]["top"].get<double>(), p["artifactCard"]["top"].get<double>());
        // The mood: a blue send button, and cards tinted away from the plain grouped background.
        EXPECT_EQ(p["sendButton"]["bg"], css(platform::UIColor::systemBlue(), styles[i]));
        EXPECT_NE(p["heroHeaderCard"]["bg"], css(platform::UIColor::secondarySystemGroupedBackground(), styles[i]));
        EXPECT_EQ(p["serverRow:staging"]["bg"],
                  css(platform::UIColor::systemBlue().withAlphaComponent(0.10), styles[i]))
            << "the current server's row";
    }
    EXPECT_NE(phones[0]["heroHeaderCard"]["bg"], phones[1]["heroHeaderCard"]["bg"]);
    EXPECT_NE(phones[0]["sendButton"]["bg"], phones[1]["sendButton"]["bg"]);
}

TEST_F(SharePresentationProgramTest, EmitPageInLightAndDark) {
    if (!tarvo_test::findChromium()) GTEST_SKIP() << "no chromium installed";
    write("emit.defaultReplyTo", "inbox, me");
    const std::string html = home.path() + "/emit.html";
    const ProcessResult r = share({"--html", html, "--do", "menu:replyToSmartButton=Replace/me", "--text", "hello"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    const platform::Json phones = probePage(
        html, {"titleLabel", "heroSubtitleLabel", "emitFieldsStack", "uploadFieldsStack", "replyToField",
               "replyToSmartButton", "itemsLabel", "statusLabel", "sendButton", "multiServerStack"},
        home.path());
    ASSERT_EQ(phones.size(), 2u);
    for (const auto& p : phones) {
        ASSERT_FALSE(p["emitFieldsStack"].is_null());
        EXPECT_TRUE(p["uploadFieldsStack"].is_null());
        EXPECT_TRUE(p["multiServerStack"].is_null()) << "single mode";
        EXPECT_EQ(p["titleLabel"]["text"], "note.txt \u2192 Staging box");
        EXPECT_EQ(p["sendButton"]["text"], "Send");
        EXPECT_EQ(p["itemsLabel"]["text"], "note.txt \u00B7 Send \u2192 Staging box");
        EXPECT_EQ(p["statusLabel"]["text"], "Staging box \u00B7 server root \u00B7 clipboard");
        EXPECT_THAT(p["replyToField"]["text"].get<std::string>(), ::testing::StartsWith("me"));
        EXPECT_THAT(p["replyToField"]["text"].get<std::string>(), Not(HasSubstr("inbox"))) << "replaced";
        ASSERT_FALSE(p["replyToSmartButton"].is_null());
    }
}

}  // namespace
}  // namespace share_test
