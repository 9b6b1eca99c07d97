#include "TarvoWidgets/WidgetView.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "platform/widgetkit/WidgetRenderer.h"
#include "tests/support/Files.h"
#include "tests/widgets/WidgetTestSupport.h"

namespace tarvo {
namespace {

using platform::ColorScheme;
using platform::ColorToken;
using platform::WidgetFamily;
using platform::WidgetNode;
using testing::referenceNow;
using testing::sampleEvents;

// A family value this widget does not know (a newer platform's).
const auto kUnknownFamily = static_cast<WidgetFamily>(99);

TarvoEntry entryWith(std::vector<WidgetEvent> events) {
    return TarvoEntry{referenceNow(), WidgetFeedSnapshot(1, referenceNow(), std::move(events))};
}

std::vector<WidgetEvent> manyEvents(int n) {
    std::vector<WidgetEvent> out;
    for (int i = 1; i <= n; ++i) {
        out.emplace_back("id" + std::to_string(i), "Event " + std::to_string(i), "s", "k",
                         referenceNow() - i * 60, "tarvo://e/" + std::to_string(i));
    }
    return out;
}

void collectIds(const WidgetNode& n, std::vector<std::string>& out) {
    if (n.identity) out.push_back(*n.identity);
    for (const auto& c : n.children) collectIds(c, out);
}

std::vector<std::string> rowIds(WidgetFamily family, std::vector<WidgetEvent> events) {
    std::vector<std::string> ids;
    collectIds(TarvoWidgetView(family, entryWith(std::move(events))).body(), ids);
    return ids;
}

std::vector<std::string> texts(WidgetFamily family, std::vector<WidgetEvent> events) {
    return TarvoWidgetView(family, entryWith(std::move(events))).body().visibleTexts(referenceNow());
}

std::string familyName(WidgetFamily f) {
    return f == kUnknownFamily ? "otherFamily" : platform::rawValue(f);
}

// ---- The text dumps of every family for zero, one and many events, against checked-in files.
// Run with TARVO_UPDATE_GOLDEN=1 to rewrite them after an intended change.
TEST(WidgetViewGoldenTest, EveryFamilyWithZeroOneAndManyEvents) {
    auto families = platform::allWidgetFamilies();
    families.push_back(kUnknownFamily);
    const bool update = std::getenv("TARVO_UPDATE_GOLDEN") != nullptr;
    for (WidgetFamily family : families) {
        std::string actual;
        for (std::size_t count : {0u, 1u, 9u}) {
            actual += "== " + std::to_string(count) + (count == 1 ? " event\n" : " events\n");
            const auto view = TarvoWidgetView(family, entryWith(sampleEvents(count))).body();
            actual += platform::WidgetRenderer::textDump(view, referenceNow());
        }
        const std::string path =
            std::string(TARVO_SOURCE_DIR) + "/tests/widgets/golden/" + familyName(family) + ".txt";
        if (update) {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
            continue;
        }
        EXPECT_EQ(actual, tarvo_test::readFile(path)) << "golden file " << path;
    }
}

TEST(WidgetViewTest, EmptyFeedInEveryFamily) {
    const std::vector<std::string> card = {"No Events", "Waiting for activity"};
    for (auto f : {WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge,
                   WidgetFamily::systemExtraLarge, kUnknownFamily}) {
        EXPECT_EQ(texts(f, {}), card) << familyName(f);
    }
    EXPECT_EQ(texts(WidgetFamily::accessoryRectangular, {}), std::vector<std::string>{"No Events"});
    EXPECT_EQ(texts(WidgetFamily::accessoryInline, {}), std::vector<std::string>{"No Events"});
    EXPECT_EQ(texts(WidgetFamily::accessoryCircular, {}), std::vector<std::string>{"\u2014"});
    for (WidgetFamily f : platform::allWidgetFamilies()) {
        EXPECT_FALSE(TarvoWidgetView(f, entryWith({})).body().findWidgetURL()) << familyName(f);
    }
}

TEST(WidgetViewTest, SmallShowsTheFirstEventWithACounterOfTheOthers) {
    EXPECT_EQ(texts(WidgetFamily::systemSmall, sampleEvents(1)),
              (std::vector<std::string>{"Build finished", "cmd \u2022 0 errors", "2 min, 5 sec"}));
    struct Case {
        int events;
        const char* counter;
    };
    for (const Case& c : {Case{2, "+1"}, Case{3, "+2"}, Case{5, "+4"}, Case{20, "+19"}}) {
        auto t = texts(WidgetFamily::systemSmall, manyEvents(c.events));
        ASSERT_EQ(t.size(), 4u);
        EXPECT_EQ(t[0], "Event 1");
        EXPECT_EQ(t[3], c.counter);
    }
}

TEST(WidgetViewTest, ListsShowTheFirstEventsInStoredOrderUpToTheFamilyLimit) {
    auto ids = [](int n) {
        std::vector<std::string> out;
        for (int i = 1; i <= n; ++i) out.push_back("id" + std::to_string(i));
        return out;
    };
    struct Case {
        WidgetFamily family;
        int events;
        int rows;
    };
    const Case cases[] = {
        {WidgetFamily::systemMedium, 5, 3},     {WidgetFamily::systemLarge, 5, 5},
        {WidgetFamily::systemExtraLarge, 5, 5}, {kUnknownFamily, 5, 2},
        {WidgetFamily::systemMedium, 20, 3},    {WidgetFamily::systemLarge, 20, 6},
        {WidgetFamily::systemExtraLarge, 20, 8}, {kUnknownFamily, 20, 2},
        {WidgetFamily::systemMedium, 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rowIds(c.family, manyEvents(c.events)), ids(c.rows))
            << familyName(c.family) << " with " << c.events;
    }
    // A row: title, subtitle, relative time.
    EXPECT_EQ(texts(WidgetFamily::systemMedium, sampleEvents(2)),
              (std::vector<std::string>{"Build finished", "cmd \u2022 0 errors", "2 min, 5 sec",
                                        "Clipboard updated", "clipboard", "10 min"}));
}

TEST(WidgetViewTest, AccessoriesShowTheFirstEvent) {
    const auto events = sampleEvents(3);
    EXPECT_EQ(texts(WidgetFamily::accessoryRectangular, events),
              (std::vector<std::string>{"Build finished", "cmd \u2022 0 errors", "2 min, 5 sec"}));
    EXPECT_EQ(texts(WidgetFamily::accessoryInline, events),
              std::vector<std::string>{"Build finished"});
    EXPECT_EQ(texts(WidgetFamily::accessoryCircular, events),
              (std::vector<std::string>{"CM", "2 min, 5 sec"}));
    // The ring is always there, around the content.
    const auto circular = TarvoWidgetView(WidgetFamily::accessoryCircular, entryWith({})).content();
    ASSERT_EQ(circular.kind, WidgetNode::Kind::zstack);
    const auto& layers = circular.children.at(0).children;
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].kind, WidgetNode::Kind::circle);
    EXPECT_EQ(layers[0].strokeColor, ColorToken::quaternary);
    EXPECT_EQ(layers[0].strokeWidth, 1);
}

TEST(WidgetViewTest, DisplaySubtitleJoinsKindAndSubtitleWithoutTrimming) {
    struct Case {
        const char* kind;
        const char* subtitle;
        const char* expected;
    };
    const Case cases[] = {
        {"cmd", "0 errors", "cmd \u2022 0 errors"},
        {"", "x", "x"},
        {"cmd", "", "cmd"},
        {"", "", ""},
        {"   ", "x", "    \u2022 x"},
        {"cmd", " ", "cmd \u2022  "},
    };
    for (const auto& c : cases) {
        WidgetEvent e;  // as decoded: untrimmed
        e.kind = c.kind;
        e.subtitle = c.subtitle;
        EXPECT_EQ(TarvoWidgetView::displaySubtitle(e), c.expected) << c.kind << "|" << c.subtitle;
    }
}

TEST(WidgetViewTest, ShortKindIsTwoCapitalsOrEV) {
    const std::pair<const char*, const char*> cases[] = {
        {"cmd", "CM"}, {"  voice \n", "VO"}, {"x", "X"}, {"", "EV"}, {"   ", "EV"},
        {"\u00e9t\u00e9", "\u00c9T"},        // accented letters upper-cased
        {"e\u0301x", "E\u0301X"},            // a combining accent stays with its letter
        {"\U0001F680go", "\U0001F680G"},     // an emoji counts as one character
    };
    for (const auto& [kind, expected] : cases) {
        EXPECT_EQ(TarvoWidgetView::shortKind(kind), expected) << kind;
    }
}

TEST(WidgetViewTest, WidgetURLIsTheFirstEventsDeeplinkOnly) {
    auto urlOf = [](std::vector<WidgetEvent> events) {
        return TarvoWidgetView(WidgetFamily::systemMedium, entryWith(std::move(events)))
            .body()
            .findWidgetURL();
    };
    EXPECT_EQ(urlOf(sampleEvents(3)), "tarvo://open?action=open_event&id=e1");

    auto events = sampleEvents(4);  // the fourth has a deeplink
    events[0].deeplink = "";
    EXPECT_FALSE(urlOf(events).has_value());
    events[0].deeplink.reset();
    EXPECT_FALSE(urlOf(events).has_value());
    events[0].deeplink = "http://[not a host";  // not a URL
    EXPECT_FALSE(urlOf(events).has_value());

    // Only the body carries it; rows have no tap target of their own.
    const auto body = TarvoWidgetView(WidgetFamily::systemLarge, entryWith(sampleEvents(4))).body();
    ASSERT_TRUE(body.tapURL.has_value());
    int withURL = 0;
    std::function<void(const WidgetNode&)> count = [&](const WidgetNode& n) {
        withURL += n.tapURL.has_value();
        for (const auto& c : n.children) count(c);
    };
    count(body);
    EXPECT_EQ(withURL, 1);
}

// Light text on black: the system families pin the dark appearance; the accessories, drawn
// on whatever is behind them, follow the system's.
TEST(WidgetViewTest, SystemFamiliesAreDarkOnBlackAndAccessoriesClearInTheSystemAppearance) {
    struct Case {
        WidgetFamily family;
        ColorToken background;
        std::optional<ColorScheme> scheme;
    };
    const Case cases[] = {
        {WidgetFamily::systemSmall, ColorToken::black, ColorScheme::dark},
        {WidgetFamily::systemMedium, ColorToken::black, ColorScheme::dark},
        {WidgetFamily::systemLarge, ColorToken::black, ColorScheme::dark},
        {WidgetFamily::systemExtraLarge, ColorToken::black, ColorScheme::dark},
        {kUnknownFamily, ColorToken::black, ColorScheme::dark},
        {WidgetFamily::accessoryCircular, ColorToken::clear, std::nullopt},
        {WidgetFamily::accessoryRectangular, ColorToken::clear, std::nullopt},
        {WidgetFamily::accessoryInline, ColorToken::clear, std::nullopt},
    };
    std::function<int(const WidgetNode&)> overrides = [&](const WidgetNode& n) {
        int count = n.colorSchemeOverride.has_value();
        for (const auto& c : n.children) count += overrides(c);
        return count;
    };
    for (const auto& c : cases) {
        for (std::size_t n : {0u, 3u}) {
            const auto body = TarvoWidgetView(c.family, entryWith(sampleEvents(n))).body();
            EXPECT_EQ(body.background, c.background) << familyName(c.family);
            // On the outermost node, so every text is inside it.
            EXPECT_EQ(body.colorSchemeOverride, c.scheme) << familyName(c.family);
            EXPECT_EQ(overrides(body), c.scheme ? 1 : 0) << familyName(c.family);
        }
    }
}

}  // namespace
}  // namespace tarvo
