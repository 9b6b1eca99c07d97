#include "TarvoWidgets/WidgetDefinition.h"

#include <gtest/gtest.h>

#include "TarvoWidgets/TarvoWidgets.h"
#include "platform/foundation/Clock.h"
#include "tests/widgets/WidgetTestSupport.h"

namespace tarvo {
namespace {

using testing::WidgetHome;

constexpr const char* kProviderGroup = "group.test.widgets";
const platform::TimelineProviderContext kContext{};

std::string feedWithOneEvent() {
    return R"({"schema": 2, "updatedAt": "2025-01-31T09:00:00Z", "events": [
        {"id": "live", "title": "Live", "subtitle": "", "kind": "cmd",
         "timestamp": "2025-01-31T08:59:00Z"}]})";
}

TEST(TarvoProviderTest, PlaceholderShowsThreeSampleEventsAndNeverReadsTheFeed) {
    WidgetHome home(kProviderGroup);
    home.writeFeedFile(kProviderGroup, feedWithOneEvent());
    const auto clock = platform::Clock::fixedAt(1738315800);

    const TarvoEntry e = TarvoProvider().placeholder(kContext);
    EXPECT_EQ(e.date, 1738315800);
    EXPECT_EQ(e.snapshot.schema, 1);
    EXPECT_EQ(e.snapshot.updatedAt, 1738315800);
    const std::vector<WidgetEvent> expected = {
        WidgetEvent("preview-1", "Build finished", "cmd \u2022 0 errors", "cmd", 1738315800),
        WidgetEvent("preview-2", "Clipboard updated", "clipboard", "clipboard", 1738315800 - 120),
        WidgetEvent("preview-3", "Voice note received", "voice", "voice", 1738315800 - 420),
    };
    EXPECT_EQ(e.snapshot.events, expected);
    EXPECT_EQ(e.snapshot.events[0].subtitle, "cmd \xE2\x80\xA2 0 errors");  // U+2022 between spaces
}

TEST(TarvoProviderTest, SnapshotAndTimelineReadTheLiveFeedEachTime) {
    WidgetHome home(kProviderGroup);
    const auto clock = platform::Clock::fixedAt(1738315800);
    TarvoProvider provider;

    int calls = 0;
    TarvoEntry snapshot;
    provider.getSnapshot(kContext, [&](TarvoEntry e) {
        ++calls;
        snapshot = e;
    });
    EXPECT_EQ(calls, 1);  // synchronously, once
    EXPECT_EQ(snapshot.date, 1738315800);
    EXPECT_EQ(snapshot.snapshot, WidgetFeedSnapshot(1, 1738315800, {}));  // no feed anywhere

    home.writeFeedFile(kProviderGroup, feedWithOneEvent());
    clock.advance(60);
    calls = 0;
    std::optional<platform::Timeline<TarvoEntry>> timeline;
    provider.getTimeline(kContext, [&](platform::Timeline<TarvoEntry> t) {
        ++calls;
        timeline = std::move(t);
    });
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(timeline.has_value());
    ASSERT_EQ(timeline->entries.size(), 1u);
    EXPECT_EQ(timeline->entries[0].date, 1738315860);
    EXPECT_EQ(timeline->entries[0].snapshot.schema, 2);
    ASSERT_EQ(timeline->entries[0].snapshot.events.size(), 1u);
    EXPECT_EQ(timeline->entries[0].snapshot.events[0].id, "live");
    EXPECT_EQ(timeline->policy.date(), 1738315860 + 900);

    // A preview asks for the same live feed.
    platform::TimelineProviderContext preview;
    preview.isPreview = true;
    provider.getSnapshot(preview, [&](TarvoEntry e) { snapshot = e; });
    EXPECT_EQ(snapshot.snapshot.events.size(), 1u);
}

TEST(TarvoWidgetTest, ConfigurationAndBundle) {
    const auto config = TarvoWidget().body();
    EXPECT_EQ(config.kind, "TarvoWidget");
    EXPECT_EQ(config.displayName, "Tarvo Events");
    EXPECT_EQ(config.description, "Recent events projected from Tarvo.");
    using F = platform::WidgetFamily;
    EXPECT_EQ(config.supportedFamilies,
              (std::vector<F>{F::systemSmall, F::systemMedium, F::systemLarge,
                              F::accessoryRectangular, F::accessoryInline}));

    const auto bundle = TarvoWidgets().body();
    ASSERT_EQ(bundle.size(), 1u);
    EXPECT_EQ(bundle[0].kind(), "TarvoWidget");
    EXPECT_EQ(bundle[0].supportedFamilies(), config.supportedFamilies);
}

TEST(TarvoWidgetTest, RuntimeServesTimelineWithPayloadViewsAndReloadDate) {
    WidgetHome home(kProviderGroup);
    home.writeFeedFile(kProviderGroup, feedWithOneEvent());
    const auto clock = platform::Clock::fixedAt(1738315800);
    const auto bundle = TarvoWidgets().body();

    platform::TimelineProviderContext context;
    context.family = platform::WidgetFamily::accessoryInline;
    const auto response = bundle[0].serve(platform::WidgetRequestKind::timeline, context);
    ASSERT_EQ(response.entries.size(), 1u);
    EXPECT_EQ(response.reloadAfter, 1738315800 + 900.0);
    const auto& entry = response.entries[0];
    EXPECT_EQ(entry.payload["schema"], 2);
    EXPECT_EQ(entry.payload["events"][0]["id"], "live");
    EXPECT_EQ(entry.view.visibleTexts(entry.date), std::vector<std::string>{"Live"});

    const auto placeholder = bundle[0].serve(platform::WidgetRequestKind::placeholder, context);
    EXPECT_FALSE(placeholder.reloadAfter.has_value());
    EXPECT_EQ(placeholder.entries[0].view.visibleTexts(1738315800),
              std::vector<std::string>{"Build finished"});
}

}  // namespace
}  // namespace tarvo
