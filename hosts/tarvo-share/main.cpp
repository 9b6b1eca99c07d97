// tarvo-share: the share extension as the platform would start it, on what a person shares.
// The bundle's info file (beside the executable) names the app group; the servers and drafts
// come from the group under $TARVO_HOME.
#include "hosts/tarvo-share/ShareHost.h"
#include "platform/foundation/Paths.h"

int main(int argc, char** argv) {
    platform::paths::setProgramName("tarvo-share");
    return tarvo::share_host::shareHostMain(argc, argv);
}
