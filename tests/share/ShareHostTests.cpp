// tarvo-share: its command line as a table, and the program end to end on the sample project
// with servers configured by tarvo-defaults (the dump against a golden file, the HTML page in
// headless chromium when one is installed).
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hosts/tarvo-share/ShareCommandLine.h"
#include "hosts/tarvo-share/ShareHost.h"
#include "platform/foundation/Json.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/HeadlessChromium.h"
#include "tests/support/Process.h"

namespace share_test {
namespace {

using namespace tarvo::share_host;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using tarvo_test::ProcessResult;

// ---- The command line.

ParsedCommandLine parse(std::vector<std::string> args) { return parseShareCommandLine(args); }

TEST(ShareCommandLineTest, ItemsInOrderWithTheirNames) {
    const auto parsed = parse({"--source-app", "com.example.app", "--now", "2025-01-31T09:30:00Z", "--html", "out.html",
                               "--interactive", "--do", "tap:sendButton", "--do", "wait", "site", "--name", "n.txt",
                               "--text", "hello", "--url", "https://example.com/a", "--item", "public.json=x.json",
                               "--", "--odd-name"});
    ASSERT_TRUE(std::holds_alternative<ShareInvocation>(parsed)) << std::get<std::string>(parsed);
    const auto& inv = std::get<ShareInvocation>(parsed);
    EXPECT_EQ(inv.sourceApp, "com.example.app");
    EXPECT_EQ(inv.now, 1738315800.0);
    EXPECT_EQ(inv.htmlPath, "out.html");
    EXPECT_TRUE(inv.interactive);
    ASSERT_EQ(inv.steps.size(), 2u);
    EXPECT_EQ(inv.steps[0].verb, platform::ScreenStep::Verb::tap);
    using K = ItemArgument::Kind;
    const std::vector<ItemArgument> expected{
        {K::path, "site", "", std::nullopt},
        {K::text, "hello", "", std::string("n.txt")},
        {K::url, "https://example.com/a", "", std::nullopt},
        {K::typed, "x.json", "public.json", std::nullopt},
        {K::path, "--odd-name", "", std::nullopt},
    };
    EXPECT_EQ(inv.items, expected);
}

TEST(ShareCommandLineTest, BadUsageSaysWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{}, "nothing to share"},
        {{"--now"}, "missing value for --now"},
        {{"--now", "yesterday", "x"}, "not an ISO-8601 date-time"},
        {{"--bogus", "x"}, "unknown option: --bogus"},
        {{"--name", "a"}, "--name a names no item"},
        {{"--name", "a", "--name", "b", "x"}, "--name a names no item"},
        {{"--url", "not a url", "x"}, "not a URL"},
        {{"--item", "public.json"}, "--item wants TYPE-ID=PATH"},
        {{"--item", "=x"}, "--item wants TYPE-ID=PATH"},
        {{"--do", "poke:x", "x"}, "poke"},
        {{"--html", "", "x"}, "empty file name"},
    };
    for (const auto& c : cases) {
        const auto parsed = parse(c.args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.problem;
        EXPECT_THAT(std::get<std::string>(parsed), HasSubstr(c.problem));
    }
    EXPECT_TRUE(std::holds_alternative<HelpRequested>(parse({"x", "--help"})));
}

TEST(ShareCommandLineTest, HelpListsUsageStepsAndRoles) {
    const std::string help = shareHelp("tarvo-share");
    EXPECT_THAT(help, StartsWith("usage: tarvo-share [--source-app BUNDLE-ID] [--now ISO-8601] [--html FILE]"));
    for (const char* text : {"--do STEP", "ITEM...", "alert-field:N=TEXT", "sendButton", "kindField",
                             "deployCommandTextView", "serverRow:ID", "serverSelect:ID", "serverExpand:ID",
                             "entryChip:PATH", "serverEntryChip:ID:PATH", "open: STATUS (exit 3)"}) {
        EXPECT_THAT(help, HasSubstr(text));
    }
    EXPECT_EQ(oneLine("Done with 1 error(s):\n1/2: failed\r\nnext"), "Done with 1 error(s):\\n1/2: failed\\nnext");
}

// ---- The program.

class ShareProgramTest : public ShareProgramFixture {
protected:
    ShareProgramTest() : ShareProgramFixture("share-program") {}
    void SetUp() override { useSampleServers(); }
};

TEST_F(ShareProgramTest, SampleProjectEndToEnd) {
    const ProcessResult r = share({"--source-app", "com.apple.DocumentsApp", "--now", "2025-01-31T09:30:00Z", "--do",
                                   "type:destFolderField= /sites/sample/ ", "--do", "end", "--do",
                                   "menu:postUploadButton=Unzip + Run", "--do",
                                   "segment:expectedLifetimeControl=Keep running", "--do", "toggle:openOnNextLaunchSwitch",
                                   source("samples/share/project")});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    const std::string path = source("tests/share/golden/sample-project.txt");
    if (std::getenv("TARVO_UPDATE_GOLDEN")) tarvo_test::writeFile(path, r.out);
    EXPECT_EQ(r.out, tarvo_test::readFile(path)) << "golden file " << path;
    EXPECT_THAT(r.out, ::testing::EndsWith("\nopen: Staging box \u00B7 /sites/sample \u00B7 script not selected\n"));
    // The edits are the staging server's draft for the next share; nothing was sent.
    const std::string drafts = stored("share.serverDrafts.json");
    EXPECT_THAT(drafts, HasSubstr("\"destFolder\":\"sites/sample\""));
    EXPECT_THAT(drafts, HasSubstr("\"openOnNextLaunch\":true"));
    EXPECT_THAT(stored("share.lastServerId"), HasSubstr("staging"));
    // The program's own standard store.
    EXPECT_TRUE(std::filesystem::exists(home / "defaults/standard/tarvo-share.sqlite"));
}

TEST_F(ShareProgramTest, OutcomesAndTheirExitCodes) {
    const ProcessResult cancelled = share({"--do", "tap:Cancel", "--do", "tap:sendButton", "--text", "hello"});
    EXPECT_EQ(cancelled.exitCode, 1) << cancelled.err;
    EXPECT_THAT(cancelled.out, ::testing::EndsWith("\ncancelled: Cancelled.\n"));
    EXPECT_THAT(cancelled.err, HasSubstr("the share ended; 1 step(s) not carried out"));

    const ProcessResult sent = share({"--do", "tap:sendButton", "--do", "wait", "--url", "https://example.com"});
    EXPECT_EQ(sent.exitCode, 3) << sent.err;
    EXPECT_THAT(sent.out, ::testing::EndsWith("\nopen: Done with 1 error(s):\\nCould not connect to the server.\n"))
        << "the sample servers' port has nothing listening";

    const ProcessResult missing = share({"--do", "tap:noSuchButton", "--text", "hello"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_THAT(missing.err, HasSubstr("no view matches \"noSuchButton\""));
    EXPECT_THAT(missing.err, HasSubstr("Button #sendButton")) << "the screen comes with the message";
    EXPECT_EQ(missing.out, "");

    const ProcessResult noFile = share({source("samples/share/no-such-thing")});
    EXPECT_EQ(noFile.exitCode, 2);
    EXPECT_THAT(noFile.err, HasSubstr("no such file or folder"));

    const ProcessResult help = share({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("Roles:"));
    const ProcessResult usage = share({"--frobnicate"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_THAT(usage.err, HasSubstr("usage: tarvo-share"));
}

// Items that cannot be read keep the screen's own texts; standard error names each with why.
TEST_F(ShareProgramTest, AnItemThatCannotBeReadIsNamedWithItsReason) {
    const std::string fifo = home.path() + "/pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const ProcessResult r = share({fifo, "/dev/null"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("\"1: Expected String item.\\n2: Unsupported item type.\""));
    EXPECT_THAT(r.err, HasSubstr("item 1 (" + fifo + ") cannot be read: it is a named pipe (FIFO), not a file\n"));
    EXPECT_THAT(r.err, HasSubstr("item 2 (/dev/null) cannot be read: it is a device, not a file\n"));

    const std::string readable = home.path() + "/note.txt";
    tarvo_test::writeFile(readable, "fine\n");
    EXPECT_THAT(share({readable}).err, ::testing::Not(HasSubstr("cannot be read")));
}

// Settings the share cannot decode leave its screen as without them; standard error says which
// and why, and tarvo-defaults names a damaged store's file and the reason.
TEST_F(ShareProgramTest, SettingsThatCannotBeReadAreNamed) {
    const std::string prefix = "tarvo-share: the setting servers.json of group.nolvek.Tarvo cannot be read: ";
    struct Case {
        std::vector<std::string> write;
        std::string problem;
    } cases[] = {
        {{"--json", R"([{"id": "a", "name": "A", "urlString": "http://127.0.0.1:9", "token": "t"}])"},
         "it holds a JSON array, not the JSON text of the list (write it with --string)"},
        {{"--string", "[{\"id\": "}, "it is not valid JSON"},
        {{"--string", R"({"id": "a"})"}, "it is not a JSON list"},
        {{"--string", R"([{"id": "a"}, {"id": "b", "token": 5}])"},
         "server 2 of the list: The data couldn't be read because it isn't in the correct format. (token)"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"write", "group.nolvek.Tarvo", "servers.json"};
        args.insert(args.end(), c.write.begin(), c.write.end());
        defaults(args);
        const ProcessResult r = share({"--text", "hello"});
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_THAT(r.out, HasSubstr("Label #statusLabel \"No server \u00B7")) << c.problem;
        EXPECT_THAT(r.err, HasSubstr(prefix + c.problem + "\n"));
    }

    // A damaged store: the share goes on without it, both programs name the file and the reason.
    const std::string store = (home / "defaults/group.nolvek.Tarvo.sqlite").string();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(store + suffix);
    tarvo_test::writeFile(store, std::string(4096, 'x'));
    const ProcessResult r = share({"--text", "hello"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.err, HasSubstr("tarvo-share: the settings of group.nolvek.Tarvo (" + store +
                                 ") cannot be read: file is not a database\n"));
    const ProcessResult read = tarvo_test::runProgram(binary("tarvo-defaults"), {"read", "group.nolvek.Tarvo"});
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_THAT(read.err, HasSubstr("(" + store + "): file is not a database"));
}

TEST_F(ShareProgramTest, InteractiveStepsPrintTheScreenAfterEach) {
    const ProcessResult r = share({"--interactive", "--text", "hello"},
                                  "type:kindField=!\n\ntap:nothing\nreplace:replyToField=me you me\nend\n");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.err, HasSubstr("no view matches \"nothing\"")) << "reported, and the session goes on";
    // The first screen before any step is read, three after the three good steps, then the
    // final one.
    std::size_t screens = 0;
    for (std::size_t at = 0; (at = r.out.find("Window 390x844", at)) != std::string::npos; ++at) ++screens;
    EXPECT_EQ(screens, 5u);
    EXPECT_EQ(r.out.find("Window 390x844"), 0u);
    EXPECT_THAT(r.out, HasSubstr("TextField #kindField \"clipboard!\""));
    EXPECT_THAT(r.out, HasSubstr("TextField #replyToField \"me, you\""));
}

// ---- The page in a browser.

TEST_F(ShareProgramTest, HtmlPageShowsTheSectionsInOrderInLightAndDark) {
    if (!tarvo_test::findChromium()) GTEST_SKIP() << "no chromium installed";
    const std::string html = home.path() + "/share.html";
    const ProcessResult r = share({"--html", html, "--do", "type:destFolderField=sites/sample", "--do", "end",
                                   source("samples/share/project")});
    ASSERT_EQ(r.exitCode, 3) << r.err;

    // The sections an upload in single mode shows (the dispatch control and the emit fields hide).
    const char* sections[] = {"heroHeaderCard", "serversSectionLabel", "serverModeControl", "serverButton",
                              "makeAutomaticButton", "targetSectionLabel", "actionControl", "uploadFieldsStack",
                              "openOnNextLaunchRow"};
    std::string list;
    for (const char* s : sections) list += std::string(list.empty() ? "" : ",") + "'" + s + "'";
    const platform::Json phones = tarvo_test::readBackPhones(
        tarvo_test::readFile(html),
        "  var roles = [" + list + "]; var tops = []; var texts = {};"
        "  roles.forEach(function (role) { var e = phone.querySelector('[data-role=\"' + role + '\"]');"
        "    tops.push(e ? e.getBoundingClientRect().top : null);"
        "    if (e) texts[role] = e.innerText; });"
        "  var dock = phone.querySelector('[data-role=\"actionDockCard\"]');"
        "  out.push({tops: tops, texts: texts, dockHeight: dock ? dock.getBoundingClientRect().height : 0,"
        "            background: getComputedStyle(phone).backgroundColor});",
        home.path());
    ASSERT_EQ(phones.size(), 2u) << "light and dark";
    EXPECT_NE(phones[0]["background"], phones[1]["background"]);
    for (const auto& phone : phones) {
        const auto& tops = phone["tops"];
        for (std::size_t i = 0; i < tops.size(); ++i) {
            ASSERT_FALSE(tops[i].is_null()) << sections[i] << " is not on the page";
            if (i > 0) {
                EXPECT_GT(tops[i].get<double>(), tops[i - 1].get<double>()) << sections[i];
            }
        }
        EXPECT_THAT(phone["texts"]["serverButton"].get<std::string>(), HasSubstr("Staging box"));
        EXPECT_THAT(phone["texts"]["serversSectionLabel"].get<std::string>(), HasSubstr("Servers"));
        EXPECT_GT(phone["dockHeight"].get<double>(), 48);
    }
}

}  // namespace
}  // namespace share_test
