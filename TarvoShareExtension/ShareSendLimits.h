#pragma once
// How long a send waits for a server that has stopped answering. The defaults are the ones the
// share extension runs with; a test harness shortens them so that a stalled server is seen in
// seconds rather than minutes.
#include "TarvoShareExtension/Remote/CmdStreamLimits.h"

namespace tarvo {

struct ShareSendLimits {
    // Seconds a request of a server's file API (listing, stat, job submission, observation,
    // recommendations), a WebSocket handshake or a WebSocket write may go without progress.
    double requestSeconds = 60;
    // Seconds one REST call of the file API may take in all, however steadily it progresses.
    double resourceSeconds = 600;
    // Seconds the command stream's WebSocket may take to open, handshake included.
    double streamOpenSeconds = 15;
    // The command stream's waits for the server's frames (an upload's exit frame included).
    CmdStreamLimits cmdStream;
};

}  // namespace tarvo
