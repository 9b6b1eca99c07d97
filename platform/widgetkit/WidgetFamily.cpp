#include "platform/widgetkit/WidgetFamily.h"

namespace platform {

std::string rawValue(WidgetFamily family) {
    switch (family) {
        case WidgetFamily::systemSmall: return "systemSmall";
        case WidgetFamily::systemMedium: return "systemMedium";
        case WidgetFamily::systemLarge: return "systemLarge";
        case WidgetFamily::systemExtraLarge: return "systemExtraLarge";
        case WidgetFamily::accessoryCircular: return "accessoryCircular";
        case WidgetFamily::accessoryRectangular: return "accessoryRectangular";
        case WidgetFamily::accessoryInline: return "accessoryInline";
    }
    return "unknown";
}

const std::vector<WidgetFamily>& allWidgetFamilies() {
    static const std::vector<WidgetFamily> kAll = {
        WidgetFamily::systemSmall,        WidgetFamily::systemMedium,
        WidgetFamily::systemLarge,        WidgetFamily::systemExtraLarge,
        WidgetFamily::accessoryCircular,  WidgetFamily::accessoryRectangular,
        WidgetFamily::accessoryInline,
    };
    return kAll;
}

std::optional<WidgetFamily> widgetFamilyFromRawValue(std::string_view text) {
    for (WidgetFamily f : allWidgetFamilies()) {
        if (rawValue(f) == text) return f;
    }
    return std::nullopt;
}

bool isAccessoryFamily(WidgetFamily family) {
    return family == WidgetFamily::accessoryCircular ||
           family == WidgetFamily::accessoryRectangular ||
           family == WidgetFamily::accessoryInline;
}

WidgetSize displaySize(WidgetFamily family) {
    switch (family) {
        case WidgetFamily::systemSmall: return {170, 170};
        case WidgetFamily::systemMedium: return {364, 170};
        case WidgetFamily::systemLarge: return {364, 382};
        case WidgetFamily::systemExtraLarge: return {715, 338};
        case WidgetFamily::accessoryCircular: return {76, 76};
        case WidgetFamily::accessoryRectangular: return {172, 76};
        case WidgetFamily::accessoryInline: return {257, 26};
    }
    return {364, 170};
}

}  // namespace platform
