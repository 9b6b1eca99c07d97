// The widget platform on its own: relative times, the renderers and the runtime's contract
// with a provider, with a small widget of the test's own.
#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/widgetkit/WidgetExtensionMain.h"
#include "platform/widgetkit/WidgetRenderer.h"

namespace platform {
namespace {

struct TestEntry {
    double date = 0;
    std::string label;
};

Json timelineEntryPayload(const TestEntry& e) { return Json{{"label", e.label}}; }

// Completes as told: not at all, once, or twice with different entries.
class TestProvider : public TimelineProvider<TestEntry> {
public:
    int completions = 1;
    TestEntry placeholder(const TimelineProviderContext&) const override {
        return {nowEpochSeconds(), "placeholder"};
    }
    void getSnapshot(const TimelineProviderContext& ctx,
                     const SnapshotCompletion& completion) const override {
        for (int i = 0; i < completions; ++i) completion({nowEpochSeconds(), "snap" + std::to_string(i)});
    }
    void getTimeline(const TimelineProviderContext& ctx,
                     const TimelineCompletion& completion) const override {
        for (int i = 0; i < completions; ++i) {
            completion(Timeline<TestEntry>{{{nowEpochSeconds(), "a" + std::to_string(i)},
                                            {nowEpochSeconds() + 60, "b"}},
                                           TimelineReloadPolicy::after(nowEpochSeconds() + 30)});
        }
    }
};

WidgetBundle testBundle(std::shared_ptr<TestProvider> provider) {
    StaticConfiguration<TestEntry> c;
    c.kind = "TestWidget";
    c.displayName = "Test <Widget>";
    c.provider = provider;
    c.content = [](const TestEntry& e, const WidgetEnvironment& env) {
        return WidgetNode::vstack(HorizontalAlignment::leading, 4, {
                   WidgetNode::verbatim(e.label + " in " + rawValue(env.family)),
                   WidgetNode::relativeDate(e.date - 90).font(TextStyle::caption2),
               })
            .widgetURL(std::string("tarvo://x?a=1&b=<2>"))
            .containerBackground(ColorToken::black);
    };
    return {WidgetConfiguration(std::move(c))};
}

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult runMain(const WidgetBundle& bundle, std::vector<const char*> args) {
    args.insert(args.begin(), "test-widget");
    std::ostringstream out, err;
    const int status = widgetExtensionMain(bundle, static_cast<int>(args.size()), args.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(WidgetRendererTest, RelativeTimeUsesAtMostTwoUnits) {
    const std::pair<double, const char*> cases[] = {
        {0, "0 sec"},           {0.9, "0 sec"},           {59, "59 sec"},
        {60, "1 min"},          {125, "2 min, 5 sec"},    {3599, "59 min, 59 sec"},
        {3600, "1 hr"},         {3700, "1 hr, 1 min"},    {86399, "23 hr, 59 min"},
        {86400, "1 day"},       {90000, "1 day, 1 hr"},   {2 * 86400, "2 days"},
        {604800, "1 wk"},       {800000, "1 wk, 2 days"}, {8 * 86400, "1 wk, 1 day"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(WidgetRenderer::relativeTimeText(1000000 - seconds, 1000000), text) << seconds;
        EXPECT_EQ(WidgetRenderer::relativeTimeText(1000000 + seconds, 1000000), text)
            << "future " << seconds;
    }
    EXPECT_EQ(WidgetRenderer::relativeTimeText(std::nan(""), 0), "\u2014");
    EXPECT_EQ(WidgetRenderer::relativeTimeText(INFINITY, 0), "\u2014");
    EXPECT_FALSE(WidgetRenderer::relativeTimeText(-1e300, 1e300).empty());
}

TEST(WidgetRendererTest, TextDumpIsOneIndentedLinePerNodeWithEscapedTexts) {
    const auto tree = WidgetNode::vstack(HorizontalAlignment::leading, 8, {
                          WidgetNode::group({
                              WidgetNode::verbatim("line\nbreak \"q\"").lineLimit(2),
                              WidgetNode::spacer(0),
                          }),
                          WidgetNode::hstack(VerticalAlignment::center, std::nullopt, {
                              WidgetNode::localized("+%lld", 3).fontWeight(FontWeight::semibold),
                          }).id("row"),
                          // An appearance override keeps its group.
                          WidgetNode::group({WidgetNode::verbatim("x")})
                              .colorScheme(ColorScheme::light),
                      })
                          .padding()
                          .colorScheme(ColorScheme::dark)
                          .containerBackground(ColorToken::clear);
    EXPECT_EQ(WidgetRenderer::textDump(tree, 0),
              "VStack(alignment: leading, spacing: 8) padding colorScheme=dark "
              "containerBackground=clear\n"
              "  Text(\"line\\nbreak \\\"q\\\"\") lineLimit=2\n"
              "  Spacer(minLength: 0)\n"
              "  HStack(alignment: center) id=\"row\"\n"
              "    Text(localized: \"+%lld\") \"+3\" weight=semibold\n"
              "  Group colorScheme=light\n"
              "    Text(\"x\")\n");
    // A root group with an override is a node of its own.
    EXPECT_EQ(WidgetRenderer::textDump(
                  WidgetNode::group({WidgetNode::spacer()}).colorScheme(ColorScheme::dark), 0),
              "Group colorScheme=dark\n  Spacer\n");
}

TEST(WidgetRendererTest, HtmlIsSelfContainedEscapedAndSizedForTheFamily) {
    const auto tree = WidgetNode::vstack(HorizontalAlignment::leading, 4, {
                          WidgetNode::verbatim("<script>alert('x')</script> & more"),
                          WidgetNode::relativeDate(100),
                      })
                          .widgetURL(std::string("tarvo://open?a=1&b=\"2\""))
                          .containerBackground(ColorToken::black);
    const std::string html =
        WidgetRenderer::html(tree, WidgetFamily::systemMedium, 160, "Title <b>");
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; more"), std::string::npos);
    EXPECT_NE(html.find("href=\"tarvo://open?a=1&amp;b=&quot;2&quot;\""), std::string::npos);
    EXPECT_NE(html.find("Title &lt;b&gt;"), std::string::npos);
    EXPECT_NE(html.find("width:364px;height:170px;"), std::string::npos);
    EXPECT_NE(html.find(">1 min</span>"), std::string::npos);
    EXPECT_NE(html.find("class=\"scheme light\""), std::string::npos);
    EXPECT_NE(html.find("class=\"scheme dark\""), std::string::npos);
    // Nothing fetched from elsewhere.
    EXPECT_EQ(html.find("http://"), std::string::npos);
    EXPECT_EQ(html.find("https://"), std::string::npos);
    EXPECT_EQ(html.find(" src="), std::string::npos);
}

TEST(WidgetRuntimeTest, ServesEachRequestKindOnce) {
    const auto clock = platform::Clock::fixedAt(1000);
    auto provider = std::make_shared<TestProvider>();
    const auto bundle = testBundle(provider);
    TimelineProviderContext ctx;
    ctx.family = WidgetFamily::accessoryInline;

    auto snapshot = bundle[0].serve(WidgetRequestKind::snapshot, ctx);
    ASSERT_EQ(snapshot.entries.size(), 1u);
    EXPECT_EQ(snapshot.entries[0].payload["label"], "snap0");
    EXPECT_FALSE(snapshot.reloadAfter);
    EXPECT_EQ(snapshot.entries[0].view.visibleTexts(1000)[0], "snap0 in accessoryInline");

    provider->completions = 2;  // a second completion is ignored
    snapshot = bundle[0].serve(WidgetRequestKind::snapshot, ctx);
    EXPECT_EQ(snapshot.entries.size(), 1u);
    EXPECT_EQ(snapshot.entries[0].payload["label"], "snap0");
    auto timeline = bundle[0].serve(WidgetRequestKind::timeline, ctx);
    ASSERT_EQ(timeline.entries.size(), 2u);
    EXPECT_EQ(timeline.entries[0].payload["label"], "a0");
    EXPECT_EQ(timeline.reloadAfter, 1030);

    provider->completions = 0;
    EXPECT_THROW(bundle[0].serve(WidgetRequestKind::snapshot, ctx), WidgetRuntimeError);
    EXPECT_THROW(bundle[0].serve(WidgetRequestKind::timeline, ctx), WidgetRuntimeError);
}

TEST(WidgetRuntimeTest, CommandLinePrintsOneJsonObject) {
    auto provider = std::make_shared<TestProvider>();
    const auto bundle = testBundle(provider);
    const RunResult r = runMain(bundle, {"timeline", "--family", "systemMedium", "--now", "2025-01-31T09:30:00Z"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Json j = parseJson(r.out);
    ASSERT_EQ(j["entries"].size(), 2u);
    EXPECT_EQ(encodeCompact(j["entries"][0]),
              R"({"date":"2025-01-31T09:30:00Z","label":"a0","url":"tarvo://x?a=1&b=<2>",)"
              R"("text":"VStack(alignment: leading, spacing: 4) widgetURL=\"tarvo://x?a=1&b=<2>\" containerBackground=black\n)"
              R"(  Text(\"a0 in systemMedium\")\n)"
              R"(  Text(2025-01-31T09:28:30Z, style: relative) \"1 min, 30 sec\" font=caption2\n"})");
    EXPECT_EQ(j["reloadAfter"], "2025-01-31T09:30:30Z");
    EXPECT_EQ(r.out.back(), '\n');
    // The fixed clock was only for the request.
    EXPECT_GT(nowEpochSeconds(), 1738315800 + 86400);

    const RunResult p = runMain(bundle, {"placeholder"});
    ASSERT_EQ(p.status, 0);
    EXPECT_TRUE(parseJson(p.out)["reloadAfter"].is_null());
}

TEST(WidgetRuntimeTest, BadCommandLinesGetUsageAndStatusTwo) {
    const auto bundle = testBundle(std::make_shared<TestProvider>());
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"refresh"},
        {"timeline", "snapshot"},
        {"timeline", "--family"},
        {"timeline", "--family", "systemHuge"},
        {"timeline", "--family", "systemsmall"},
        {"timeline", "--now", "2025-01-31T09:30:00.5Z"},
        {"timeline", "--now", "yesterday"},
        {"timeline", "--now"},
        {"timeline", "--html"},
        {"timeline", "--html", ""},
        {"timeline", "--verbose"},
        {"--family", "systemSmall"},
    };
    for (const auto& args : bad) {
        const RunResult r = runMain(bundle, args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: test-widget placeholder|snapshot|timeline"), std::string::npos);
    }
}

TEST(WidgetRuntimeTest, FailuresAreReportedWithStatusOne) {
    auto provider = std::make_shared<TestProvider>();
    const auto bundle = testBundle(provider);
    const RunResult unwritable = runMain(bundle, {"snapshot", "--html", "/nonexistent-dir/x/card.html"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write /nonexistent-dir/x/card.html"), std::string::npos);

    provider->completions = 0;
    const RunResult silent = runMain(bundle, {"snapshot"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.out, "");
    EXPECT_NE(silent.err.find("did not complete the snapshot request"), std::string::npos);

    EXPECT_EQ(runMain({}, {"snapshot"}).status, 1);
}

}  // namespace
}  // namespace platform
