// Feeds arbitrary bytes to the widget as the feed file of the app group. Whatever the bytes,
// reading ends with a feed or with none, never with an exception. A feed that comes out is
// drawn in every family, as a text dump and as an HTML page, at a present the first byte moves
// from long before the events to long after them; its timeline payload is written and reads
// back to the same feed, and the widget's tap target is the first event's link or nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Core/WidgetEventStore.h"
#include "TarvoWidgets/WidgetDefinition.h"
#include "TarvoWidgets/WidgetView.h"
#include "fuzz/FuzzCheck.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "platform/widgetkit/WidgetFamily.h"
#include "platform/widgetkit/WidgetRenderer.h"

namespace {

using namespace tarvo;
using fuzzing::require;

// From the year 1 to the year 9999, in steps of about forty years.
double presentFor(std::uint8_t selector) { return -62135596800.0 + selector * 1.2e9; }

bool inFourDigitYears(double seconds) { return seconds >= -62167219200.0 && seconds < 253402300800.0; }

void checkFeed(const WidgetFeedSnapshot& feed, double now) {
    const TarvoEntry entry{now, feed};
    const platform::Json payload = timelineEntryPayload(entry);
    const auto again = decodeWidgetFeedSnapshot(platform::encodeCompact(payload));
    if (again) {
        require(*again == feed && std::hash<WidgetFeedSnapshot>{}(*again) == std::hash<WidgetFeedSnapshot>{}(feed));
    } else {
        // Only a date whose offset carries it out of the four-digit years is written in a form
        // (a sign or a fifth digit) that the strict reader refuses.
        bool outside = !inFourDigitYears(feed.updatedAt);
        for (const auto& event : feed.events) outside = outside || !inFourDigitYears(event.timestamp);
        require(outside);
    }

    for (platform::WidgetFamily family : platform::allWidgetFamilies()) {
        const TarvoWidgetView view(family, entry);
        const auto url = view.primaryURL();
        if (url) require(!feed.events.empty() && feed.events.front().deeplink && !feed.events.front().deeplink->empty());
        const platform::WidgetNode body = view.body();
        const std::string dump = platform::WidgetRenderer::textDump(body, now);
        require(platform::text::isValidUTF8(dump));
        const std::string page = platform::WidgetRenderer::html(body, family, now, "Tarvo Events");
        require(platform::text::isValidUTF8(page));
    }
    for (const auto& event : feed.events) {
        const std::string badge = TarvoWidgetView::shortKind(event.kind);
        require(!badge.empty() && platform::text::isValidUTF8(badge));
        (void)TarvoWidgetView::displaySubtitle(event);
        require(!platform::WidgetRenderer::relativeTimeText(event.timestamp, now).empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const double now = presentFor(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<WidgetFeedSnapshot> feed = decodeWidgetFeedSnapshot(text);
    if (feed) checkFeed(*feed, now);
    return 0;
}
