#pragma once
// The two ways a widget's view tree is shown without a phone: a deterministic text dump
// (one node a line, indented by depth, with its attributes) for golden files, and a
// self-contained HTML page with the widget drawn at its family's size in the light and the
// dark appearance, for people and for a headless browser.
#include <string>
#include <string_view>

#include "platform/widgetkit/WidgetFamily.h"
#include "platform/widgetkit/WidgetNode.h"

namespace platform {

class WidgetRenderer {
public:
    // The relative-time style: the distance between date and referenceTime in at most two
    // units, "0 sec", "45 sec", "2 min", "2 min, 5 sec", "1 hr, 4 min", "3 days, 2 hr",
    // "2 wk, 1 day". The same wording counts towards a future date.
    static std::string relativeTimeText(double date, double referenceTime);

    // Relative dates are written as seen at referenceTime.
    static std::string textDump(const WidgetNode& root, double referenceTime);

    // A whole HTML document; relative dates start as seen at referenceTime and keep counting
    // while the page is open.
    static std::string html(const WidgetNode& root, WidgetFamily family, double referenceTime,
                            std::string_view title);
};

}  // namespace platform
