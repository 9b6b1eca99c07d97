#pragma once
// Where things live. One root, $TARVO_HOME (default $XDG_DATA_HOME/tarvo, else
// ~/.local/share/tarvo), holding:
//   defaults/<suite>.sqlite              app-group suites
//   defaults/standard/<program>.sqlite   each program's standard store
//   containers/<group id>/               app-group containers (created on first use)
#include <optional>
#include <string>
#include <string_view>

namespace platform::paths {

std::string tarvoHome();
std::string suiteDatabasePath(std::string_view suiteName);       // does not validate
std::string standardDatabasePath(std::string_view programName);
// The container directory of an app group, created on first use; nullopt for an empty or
// unsafe group id, or when it cannot be created.
std::optional<std::string> appGroupContainer(std::string_view groupId);

// The running program's short name (set by the host's main; default "tarvo").
std::string programName();
void setProgramName(std::string_view name);
// The directory of the running executable.
std::string executableDirectory();
// The program run's private temporary folder (runTemporaryFolder(), RunTemporaryFolder.h),
// made on the first call; throws NSError when the user's folder there is refused.
std::string temporaryDirectory();

// A safe single file-name component: true when it has no "/", no NUL and is not "." or "..".
bool isSafeFileName(std::string_view name);

}  // namespace platform::paths
