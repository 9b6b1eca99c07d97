#pragma once

namespace tarvo {

// The time limits of the command-stream operations, in seconds. The defaults are the ones the
// share extension runs with; tests shorten them rather than wait.
struct CmdStreamLimits {
    double receiveSeconds = 2.0;       // each receive's soft wait (never below 0.05)
    double commandSeconds = 60;        // runCommandAndWait, from its start frame
    double runMetadataSeconds = 12;    // startCommandDetached, until the run's metadata
    double uploadExitSeconds = 600;    // an upload, from its end frame until the exit frame
};

}  // namespace tarvo
