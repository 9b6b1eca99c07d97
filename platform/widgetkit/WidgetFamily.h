#pragma once
// The sizes a widget can be placed in: three to four home-screen sizes and three small
// accessory forms for the lock screen.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class WidgetFamily {
    systemSmall,
    systemMedium,
    systemLarge,
    systemExtraLarge,
    accessoryCircular,
    accessoryRectangular,
    accessoryInline,
};

// "systemSmall", ...; a value outside the enumeration gives "unknown".
std::string rawValue(WidgetFamily family);
std::optional<WidgetFamily> widgetFamilyFromRawValue(std::string_view text);
// Every family, in declaration order.
const std::vector<WidgetFamily>& allWidgetFamilies();

bool isAccessoryFamily(WidgetFamily family);

// The size a widget of the family is drawn at, in points (a phone's home and lock screens;
// an iPad's for the extra large one). Unknown values get the medium size.
struct WidgetSize {
    double width = 0;
    double height = 0;
};
WidgetSize displaySize(WidgetFamily family);

}  // namespace platform
