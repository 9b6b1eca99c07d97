// tarvo-widgets: the activity widget as the platform would start it. The bundle's info file
// (beside the executable) names the app group; everything else comes from the group under
// $TARVO_HOME.
#include "TarvoWidgets/TarvoWidgets.h"
#include "platform/foundation/Paths.h"

int main(int argc, char** argv) {
    platform::paths::setProgramName("tarvo-widgets");
    return tarvo::TarvoWidgets::main(argc, argv);
}
