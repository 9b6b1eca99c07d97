// The built tarvo-widgets program, run as a separate process against a private Tarvo home.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/widgets/WidgetTestSupport.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using platform::Json;

using tarvo_test::ProcessResult;
using tarvo_test::runProgram;

class WidgetsHostTest : public ::testing::Test {
protected:
    // The program's own info file names this group.
    static constexpr const char* kGroup = "group.nolvek.Tarvo";
    testing::WidgetHome home{kGroup};

    ProcessResult runWidgets(const std::vector<std::string>& args,
                             std::vector<std::pair<std::string, std::string>> env = {}) {
        env.emplace_back("TARVO_HOME", home.path());
        return runProgram(TARVO_WIDGETS_EXE, args, "", env);
    }

    static std::string feedWith(const std::string& events) {
        return R"({"schema": 4, "updatedAt": "2025-01-31T09:00:00Z", "events": [)" + events + "]}";
    }
    static std::string event(const std::string& id, const std::string& deeplink = "") {
        return R"({"id": ")" + id + R"(", "title": "Title )" + id +
               R"(", "subtitle": "sub", "kind": "cmd", "timestamp": "2025-01-31T09:25:00Z")" +
               (deeplink.empty() ? "" : R"(, "deeplink": ")" + deeplink + "\"") + "}";
    }
};

TEST_F(WidgetsHostTest, InfoFileIsInstalledBesideTheProgram) {
    const fs::path info = fs::path(TARVO_WIDGETS_EXE).parent_path() / "tarvo-widgets.info.json";
    const Json j = platform::parseJson(tarvo_test::readFile(info));
    EXPECT_EQ(j["APP_GROUP_ID"], kGroup);
}

TEST_F(WidgetsHostTest, TimelineWithoutAnyFeedShowsTheEmptyFeedAndReloadsIn900Seconds) {
    const ProcessResult r = runWidgets({"timeline", "--now", "2025-01-31T09:30:00Z"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Json j = platform::parseJson(r.out);
    ASSERT_EQ(j["entries"].size(), 1u);
    const Json& e = j["entries"][0];
    EXPECT_EQ(e["date"], "2025-01-31T09:30:00Z");
    EXPECT_EQ(e["schema"], 1);
    EXPECT_EQ(e["updatedAt"], "2025-01-31T09:30:00Z");
    EXPECT_EQ(e["events"], Json::array());
    EXPECT_TRUE(e["url"].is_null());
    EXPECT_NE(e["text"].get<std::string>().find("Text(\"No Events\")"), std::string::npos);
    EXPECT_EQ(j["reloadAfter"], "2025-01-31T09:45:00Z");
}

TEST_F(WidgetsHostTest, SnapshotReadsTheContainerFileAndWritesTheHtmlCard) {
    home.writeFeedFile(kGroup, feedWith(event("a", "tarvo://open?action=open_event&id=a") + "," +
                                        event("b")));
    const std::string html = home.path() + "/card.html";
    const ProcessResult r = runWidgets({"snapshot", "--family", "systemMedium", "--now",
                                 "2025-01-31T09:30:00Z", "--html", html});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json j = platform::parseJson(r.out);
    const Json& e = j["entries"][0];
    EXPECT_EQ(e["schema"], 4);
    EXPECT_EQ(e["events"].size(), 2u);
    EXPECT_EQ(e["events"][0],
              platform::parseJson(R"({"id":"a","title":"Title a","subtitle":"sub","kind":"cmd",)"
                                  R"("timestamp":"2025-01-31T09:25:00Z","deeplink":"tarvo://open?action=open_event&id=a"})"));
    EXPECT_FALSE(e["events"][1].contains("deeplink"));
    EXPECT_EQ(e["url"], "tarvo://open?action=open_event&id=a");
    EXPECT_NE(e["text"].get<std::string>().find("\"5 min\""), std::string::npos);
    EXPECT_TRUE(j["reloadAfter"].is_null());

    const std::string page = tarvo_test::readFile(html);
    EXPECT_NE(page.find("<title>Tarvo Events \u00b7 systemMedium</title>"), std::string::npos);
    EXPECT_NE(page.find(">Title a</span>"), std::string::npos);
    EXPECT_NE(page.find("width:364px;height:170px;"), std::string::npos);
}

TEST_F(WidgetsHostTest, DefaultsValueWrittenByAnotherProcessIsRead) {
    auto defaults = platform::UserDefaults::suite(kGroup);
    ASSERT_NE(defaults, nullptr);
    defaults->set("widget.events.feed.v1", platform::PropertyList(feedWith(event("from-defaults"))));
    home.writeFeedFile(kGroup, feedWith(event("good") + R"(, {"id": "no-subtitle", "title": "t",
        "kind": "k", "timestamp": "2025-01-31T09:25:00Z"})"));
    const ProcessResult r = runWidgets({"timeline", "--family", "accessoryInline"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json j = platform::parseJson(r.out);
    EXPECT_EQ(j["entries"][0]["events"][0]["id"], "from-defaults");
    EXPECT_EQ(j["entries"][0]["text"], "Text(\"Title from-defaults\") lineLimit=1 containerBackground=clear\n");
}

TEST_F(WidgetsHostTest, BadFeedDataNeverCrashesIt) {
    const std::string bad[] = {
        "", "{", "\xff\xfe", "[1,2,3]", std::string(100000, '['),
        feedWith(event("x") + ", {\"id\": null}"),
        R"({"schema": 1e400, "updatedAt": "2025-01-31T09:00:00Z", "events": []})",
        R"({"schema": 1, "updatedAt": "0000-01-01T00:00:00+01:00", "events": []})",
    };
    for (const auto& text : bad) {
        home.writeFeedFile(kGroup, text);
        const ProcessResult r = runWidgets({"timeline", "--family", "systemLarge"});
        ASSERT_EQ(r.exitCode, 0) << text.substr(0, 80) << "\n" << r.err;
        const Json j = platform::parseJson(r.out);
        // The last one is a readable feed whose date lies just before the year 0.
        if (text.find("0000-01-01") != std::string::npos) {
            EXPECT_EQ(j["entries"][0]["updatedAt"], "-0001-12-31T23:00:00Z");
        } else {
            EXPECT_EQ(j["entries"][0]["events"], Json::array()) << text.substr(0, 80);
        }
    }
}

TEST_F(WidgetsHostTest, PlaceholderShowsSampleEvents) {
    home.writeFeedFile(kGroup, feedWith(event("live")));
    const ProcessResult r = runWidgets({"placeholder", "--family", "accessoryCircular", "--now",
                                 "2025-01-31T09:30:00Z"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json j = platform::parseJson(r.out);
    const Json& e = j["entries"][0];
    ASSERT_EQ(e["events"].size(), 3u);
    EXPECT_EQ(e["events"][0]["id"], "preview-1");
    EXPECT_EQ(e["events"][2]["timestamp"], "2025-01-31T09:23:00Z");
    EXPECT_NE(e["text"].get<std::string>().find("Text(\"CM\")"), std::string::npos);
    EXPECT_TRUE(j["reloadAfter"].is_null());
}

TEST_F(WidgetsHostTest, BundleInfoChoosesTheAppGroup) {
    const std::string info = home.path() + "/other.info.json";
    tarvo_test::writeFile(info, R"({"APP_GROUP_ID": "  group.other\n"})");
    home.writeFeedFile("group.other", feedWith(event("other-group")));
    home.writeFeedFile(kGroup, feedWith(event("main-group")));
    const ProcessResult r = runWidgets({"snapshot"}, {{"TARVO_BUNDLE_INFO", info}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(platform::parseJson(r.out)["entries"][0]["events"][0]["id"], "other-group");
}

TEST_F(WidgetsHostTest, UnknownArgumentsGetUsageAndStatusTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"timeline", "--bogus"}, {"reload"},
                                               {"snapshot", "--family", "systemHuge"}}) {
        const ProcessResult r = runWidgets(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: "), std::string::npos);
        EXPECT_NE(r.err.find("placeholder|snapshot|timeline"), std::string::npos);
    }
}

TEST_F(WidgetsHostTest, DemoScriptRunsOnTheSampleAppGroup) {
    const std::string script = std::string(TARVO_SOURCE_DIR) + "/scripts/demo-widgets";
    const ProcessResult r = runProgram("/bin/bash", {script, TARVO_BINARY_DIR}, "",
                                       {{"TMPDIR", home.path()}});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\"reloadAfter\""), std::string::npos);
    EXPECT_NE(r.out.find("systemSmall"), std::string::npos);
    EXPECT_NE(r.out.find("systemMedium"), std::string::npos);
    EXPECT_NE(r.out.find(".html"), std::string::npos);
}

// ---- The HTML card in a real browser, when one is installed (Debian's chromium).

std::optional<std::string> findChromium() {
    if (const char* p = std::getenv("TARVO_CHROMIUM"); p && *p) return std::string(p);
    for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
        if (access(p, X_OK) == 0) return std::string(p);
    }
    return std::nullopt;
}

TEST_F(WidgetsHostTest, HtmlCardShowsTheTextsInABrowser) {
    const auto chromium = findChromium();
    if (!chromium) GTEST_SKIP() << "no chromium installed";

    home.writeFeedFile(kGroup, feedWith(event("a", "tarvo://open?id=a") + "," + event("b") + "," +
                                        event("c") + "," + event("d")));
    const std::string html = home.path() + "/card.html";
    const ProcessResult r = runWidgets({"timeline", "--family", "systemMedium", "--now",
                                 "2025-01-31T09:30:00Z", "--html", html});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    // Read back what the browser lays out: each card's visible text, size and the colours its
    // first title and subtitle are drawn in.
    std::string page = tarvo_test::readFile(html);
    const std::string probe =
        "<script>window.addEventListener('load', function () {"
        "var out = [];"
        "document.querySelectorAll('.widget').forEach(function (w) {"
        "  var r = w.getBoundingClientRect();"
        "  var t = w.querySelectorAll('.text');"
        "  out.push({text: w.innerText, width: r.width, height: r.height, href: w.getAttribute('href'),"
        "            title: t[0].textContent, titleColor: getComputedStyle(t[0]).color,"
        "            subtitleColor: getComputedStyle(t[1]).color});"
        "});"
        "var pre = document.createElement('pre'); pre.id = 'readback';"
        "pre.textContent = JSON.stringify(out);"
        "document.body.appendChild(pre);});</script>";
    page.insert(page.rfind("</body>"), probe);
    const std::string probed = home.path() + "/probed.html";
    tarvo_test::writeFile(probed, page);

    const ProcessResult b = runProgram(*chromium,
                                       {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                        "--user-data-dir=" + home.path() + "/chromium",
                                        "--virtual-time-budget=3000", "--dump-dom", "file://" + probed},
                                       "", {{"HOME", home.path()}});
    ASSERT_EQ(b.exitCode, 0) << b.err;
    const std::string open = "<pre id=\"readback\">";
    const auto begin = b.out.find(open);
    ASSERT_NE(begin, std::string::npos) << b.out.substr(0, 2000);
    const auto end = b.out.find("</pre>", begin);
    ASSERT_NE(end, std::string::npos);
    std::string jsonText = b.out.substr(begin + open.size(), end - begin - open.size());
    // --dump-dom serialises the text as HTML.
    jsonText = platform::text::replacingOccurrences(jsonText, "&quot;", "\"");
    jsonText = platform::text::replacingOccurrences(jsonText, "&lt;", "<");
    jsonText = platform::text::replacingOccurrences(jsonText, "&gt;", ">");
    jsonText = platform::text::replacingOccurrences(jsonText, "&amp;", "&");
    const Json cards = platform::parseJson(jsonText);
    ASSERT_EQ(cards.size(), 2u);  // light and dark
    for (const Json& card : cards) {
        const std::string text = card["text"];
        std::size_t at = 0;
        for (const char* expected : {"Title a", "cmd \u2022 sub", "5 min", "Title b", "Title c"}) {
            const auto found = text.find(expected, at);
            ASSERT_NE(found, std::string::npos) << expected << " in " << text;
            at = found;
        }
        EXPECT_EQ(text.find("Title d"), std::string::npos);  // medium shows three rows
        EXPECT_EQ(card["width"], 364);
        EXPECT_EQ(card["height"], 170);
        EXPECT_EQ(card["href"], "tarvo://open?id=a");
        // On the black background the light card, too, draws with the dark palette.
        EXPECT_EQ(card["title"], "Title a");
        EXPECT_EQ(card["titleColor"], "rgb(255, 255, 255)");
        EXPECT_EQ(card["subtitleColor"], "rgba(235, 235, 245, 0.6)");
    }
}

}  // namespace
}  // namespace tarvo
