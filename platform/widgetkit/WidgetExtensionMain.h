#pragma once
// The widget runtime as a command-line program: it serves one request of the bundle's first
// widget and prints it as JSON.
//
//   <program> placeholder|snapshot|timeline [--family NAME] [--now ISO-8601] [--html FILE]
//
// Output: {"entries": [{"date", <entry payload>, "url", "text"}], "reloadAfter"}; "text" is
// the text dump of the entry's views for the family, "reloadAfter" is set for a timeline.
// --now serves the request as of that moment; --html writes the first entry's views as an
// HTML page. Exit status: 0 served, 1 failed (nothing to serve, file not written), 2 usage.
#include <iosfwd>

#include "platform/widgetkit/WidgetConfiguration.h"

namespace platform {

int widgetExtensionMain(const WidgetBundle& bundle, int argc, const char* const* argv);
int widgetExtensionMain(const WidgetBundle& bundle, int argc, const char* const* argv,
                        std::ostream& out, std::ostream& err);

}  // namespace platform
