// The program's entry. Nothing else happens at start-up: the runtime takes over and serves
// the request it was started for.
#include "TarvoWidgets/TarvoWidgets.h"
#include "platform/widgetkit/WidgetExtensionMain.h"

namespace tarvo {

int TarvoWidgets::main(int argc, const char* const* argv) {
    return platform::widgetExtensionMain(TarvoWidgets().body(), argc, argv);
}

}  // namespace tarvo
