// The two renderers: the text dump against golden files, and the HTML page laid out by a real
// browser in both appearances (skipped when no chromium is installed).

#include <cstdlib>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "platform/uikit/ScreenRenderer.h"
#include "tests/support/Files.h"
#include "tests/support/HeadlessChromium.h"
#include "tests/support/TempHome.h"
#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::HasSubstr;

// A busy, edited screen: a typed kind, the keyboard up, a failed run, the server menu open.
void editedScreen(SampleScreen& screen, UIDriver& driver) {
    screen.serverButton->menu = UIMenu::make(
        "Server", {UIAction::make("Server A", [] {}, std::nullopt, UIAction::State::on), UIAction::make("Server B", [] {}),
                   UIMenu::make("Suggestions", {UIAction::make("inbox", [] {})}, true)});
    screen.serverButton->menu->title = "Server";
    screen.spinner->startAnimating();
    screen.sendButton->enabled = false;
    screen.commandView->text = "bash './deploy.sh'";
    driver.typeText("kindField", "clipboard");
    driver.showKeyboard(508);
    driver.tap("serverButton");
}

// The folder list in its sheet, searched, with its new-folder alert being filled.
void folderSheetWithAlert(SampleScreen& screen, UIDriver& driver) {
    presentFolderList(screen);
    driver.search("up");
    driver.tap("Add");
    driver.fillAlertField(1, "reports");
}

struct Scene {
    const char* name;
    void (*arrange)(SampleScreen&, UIDriver&);
};
const Scene kScenes[] = {{"edited-screen", editedScreen}, {"folder-sheet-alert", folderSheetWithAlert}};

// Run with TARVO_UPDATE_GOLDEN=1 to rewrite the golden files after an intended change.
TEST_F(ScreenTest, TextDumpsMatchTheGoldenFiles) {
    const bool update = std::getenv("TARVO_UPDATE_GOLDEN") != nullptr;
    for (const auto& scene : kScenes) {
        MainQueue q;
        UIWindow w(q);
        auto s = std::make_shared<SampleScreen>();
        w.setRootViewController(s);
        UIDriver d(w);
        scene.arrange(*s, d);
        const std::string actual = textDump(w);
        const std::string path = std::string(TARVO_SOURCE_DIR) + "/tests/uikit/golden/" + scene.name + ".txt";
        if (update) tarvo_test::writeFile(path, actual);
        EXPECT_EQ(actual, tarvo_test::readFile(path)) << "golden file " << path;
        EXPECT_EQ(textDump(w), actual);  // rendering changes nothing
    }
}

TEST_F(ScreenTest, HtmlPageIsSelfContainedAndEscapesTexts) {
    screen->titleLabel->text = "<b>site</b> & \"more\"";
    const std::string page = htmlPage(window, "Share <preview>");
    EXPECT_THAT(page, HasSubstr("<title>Share &lt;preview&gt;</title>"));
    EXPECT_THAT(page, HasSubstr("&lt;b&gt;site&lt;/b&gt; &amp; &quot;more&quot;"));
    EXPECT_EQ(page.find("<script src"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos);
}

// What the browser laid out, read back per appearance.
platform::Json layOutInChromium(const std::string& page, const std::string& probeBody) {
    tarvo_test::TempDir dir("uikit-html");
    return tarvo_test::readBackPhones(page, probeBody, dir.path());
}

TEST_F(ScreenTest, HtmlPageLaysTheScreenOutInOrderInLightAndDarkWithTheAlertOnTop) {
    if (!tarvo_test::findChromium()) GTEST_SKIP() << "no chromium installed";
    driver.showKeyboard(508);
    auto alert = UIAlertController::make("Deploy now?", "Runs the recipe");
    alert->addAction(UIAlertAction::make("Skip", UIAlertAction::Style::cancel));
    alert->addAction(UIAlertAction::make("Deploy", UIAlertAction::Style::defaultStyle));
    screen->present(alert, true);

    const auto phones = layOutInChromium(
        htmlPage(window, "Sample"),
        "var p = phone.getBoundingClientRect();"
        "function box(role) { var e = phone.querySelector('[data-role=\"' + role + '\"]');"
        "  if (!e) return null; var r = e.getBoundingClientRect();"
        "  return {top: r.top - p.top, bottom: r.bottom - p.top, left: r.left - p.left, width: r.width, height: r.height,"
        "          bg: getComputedStyle(e).backgroundColor, color: getComputedStyle(e).color}; }"
        "var roles = ['titleLabel', 'serverModeControl', 'serverButton', 'serverRow:a', 'kindField', 'destFolderField',"
        "             'deployCommandTextView', 'returnResultSwitch', 'actionDock', 'cancelButton', 'sendButton'];"
        "var boxes = {}; roles.forEach(function (r) { boxes[r] = box(r); });"
        "var alertBox = phone.querySelector('.alert'); alertBox.scrollIntoView();"
        "var a = alertBox.getBoundingClientRect();"
        "var hit = document.elementFromPoint(a.left + a.width / 2, a.top + 20);"
        "out.push({scheme: phone.getAttribute('data-scheme'), width: p.width, height: p.height, boxes: boxes,"
        "          alertOnTop: !!(hit && hit.closest('.alert')), keyboard: !!phone.querySelector('.keyboard'),"
        "          hiddenShown: !!phone.querySelector('[data-role=\"hiddenNote\"]')});");
    ASSERT_EQ(phones.size(), 2u);
    for (const auto& phone : phones) {
        SCOPED_TRACE(phone["scheme"].get<std::string>());
        EXPECT_EQ(phone["width"], 390);
        EXPECT_EQ(phone["height"], 844);
        const auto& b = phone["boxes"];
        const char* order[] = {"titleLabel", "serverModeControl", "serverButton", "serverRow:a",
                               "kindField", "destFolderField", "deployCommandTextView", "returnResultSwitch"};
        for (std::size_t i = 0; i < std::size(order); ++i) {
            ASSERT_FALSE(b[order[i]].is_null()) << order[i];
            EXPECT_GT(b[order[i]]["height"].get<double>(), 0) << order[i];
            if (i > 0) {
                EXPECT_GT(b[order[i]]["top"].get<double>(), b[order[i - 1]]["top"].get<double>()) << order[i];
            }
        }
        // The content column has its 16-point margins; the dock sits above the bottom safe area.
        EXPECT_EQ(b["kindField"]["left"], 16);
        EXPECT_EQ(b["kindField"]["width"], 358);
        EXPECT_EQ(b["actionDock"]["bottom"], 844 - 34 - 8);
        EXPECT_EQ(b["cancelButton"]["width"], b["sendButton"]["width"]);  // equal widths
        EXPECT_TRUE(phone["alertOnTop"]);
        EXPECT_TRUE(phone["keyboard"]);
        EXPECT_FALSE(phone["hiddenShown"]);
        EXPECT_EQ(b["serverRow:a"]["bg"], phone["scheme"] == "light" ? "rgba(0, 122, 255, 0.1)" : "rgba(10, 132, 255, 0.1)");
        EXPECT_EQ(b["sendButton"]["bg"], phone["scheme"] == "light" ? "rgb(0, 122, 255)" : "rgb(10, 132, 255)");
        EXPECT_EQ(b["titleLabel"]["color"], phone["scheme"] == "light" ? "rgb(0, 0, 0)" : "rgb(255, 255, 255)");
    }
}

}  // namespace
}  // namespace uikit_test
