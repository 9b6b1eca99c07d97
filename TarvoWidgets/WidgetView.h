#pragma once
// The activity widget's views: a headline card for the small widget, a list for the larger
// ones and compact forms for the lock-screen accessories.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoWidgets/WidgetDefinition.h"
#include "platform/foundation/Url.h"
#include "platform/widgetkit/WidgetFamily.h"
#include "platform/widgetkit/WidgetNode.h"

namespace tarvo {

class TarvoWidgetView {
public:
    TarvoWidgetView(platform::WidgetFamily family, TarvoEntry entry);

    // content, tapping to primaryURL, on a black background in the dark appearance (clear and
    // in the system's appearance for the accessories).
    platform::WidgetNode body() const;
    // The first event's deep link when it is present, not empty and parses as a URL.
    std::optional<platform::URL> primaryURL() const;
    platform::WidgetNode content() const;

    platform::WidgetNode smallView() const;
    platform::WidgetNode listView(std::size_t limit) const;
    platform::WidgetNode accessoryRectangularView() const;
    platform::WidgetNode accessoryInlineView() const;
    platform::WidgetNode accessoryCircularView() const;
    static platform::WidgetNode emptyView(const std::string& title, const std::string& subtitle);

    // "kind • subtitle" when both are there, else whichever is (untrimmed).
    static std::string displaySubtitle(const WidgetEvent& event);
    // The kind's first two characters in capitals, "EV" for a blank kind.
    static std::string shortKind(std::string_view kind);

    platform::WidgetFamily family() const { return family_; }
    const TarvoEntry& entry() const { return entry_; }

private:
    platform::WidgetFamily family_;
    TarvoEntry entry_;
};

}  // namespace tarvo
