#pragma once
// The widget program's main type: the bundle of its widgets.
#include "platform/widgetkit/WidgetConfiguration.h"

namespace tarvo {

struct TarvoWidgets {
    // Exactly one widget, the activity widget "TarvoWidget".
    platform::WidgetBundle body() const;

    // The program's entry: hands the bundle to the widget runtime.
    static int main(int argc, const char* const* argv);
};

}  // namespace tarvo
