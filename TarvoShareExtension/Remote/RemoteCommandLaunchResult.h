#pragma once
#include <optional>
#include <string>

namespace tarvo {

// A detached run the server started: its identity and log file as the server reported them.
struct RemoteCommandLaunchResult {
    std::string runID;                  // untrimmed
    std::optional<std::string> logPath; // absent when the server sent none
    bool operator==(const RemoteCommandLaunchResult&) const = default;
};

}  // namespace tarvo
