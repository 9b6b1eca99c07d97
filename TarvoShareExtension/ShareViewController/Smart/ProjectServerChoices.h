#pragma once
// What the share remembers per recognised project about the servers it goes to (one or
// several, which ones), how a project's automatic configuration picks the mode, the selection
// and the server on screen, and the texts of making the current setup automatic. Pure
// functions; the controller reads and writes the settings.
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/foundation/PropertyList.h"

namespace tarvo::share {

inline constexpr std::string_view kSavedAutomaticPresetStatus = "Using your saved automatic Tarvo preset.";
inline constexpr std::string_view kWaitForInspectionStatus =
    "Wait for project inspection before saving the automatic preset.";
inline constexpr std::string_view kSelectServerStatus = "Select at least one server before saving the automatic preset.";

// The stored project mode: exactly "single" or "multi" (no trimming); anything else, a value
// that is not a string or no value, nothing.
std::optional<ServerMode> projectServerModeFrom(const std::optional<platform::PropertyList>& stored);

// The ids of the servers, in list order, that are selected.
std::vector<std::string> selectedIDsInServerOrder(const std::vector<ServerProfile>& servers,
                                                  const std::set<std::string>& selected);

// The trimmed id of the draft's server when it is configured.
std::optional<std::string> configuredSingleServerID(const std::vector<ServerProfile>& servers,
                                                    std::string_view draftServerID);

// What a project's automatic configuration makes of the share's servers.
struct AutomaticConfigurationChoice {
    ServerMode mode = ServerMode::single;
    MultiDispatchMode dispatch = MultiDispatchMode::all;
    std::string targetServerID;  // the server to show
    std::set<std::string> selectedServerIDs;
};
// Its servers that are still configured decide: several make a multi send (unless the stored
// mode is "single"); the target is its active server when configured, else its first server,
// else the draft's server.
AutomaticConfigurationChoice automaticConfigurationChoice(const SmartShareAutomaticConfiguration& configuration,
                                                          const std::vector<ServerProfile>& servers,
                                                          std::string_view draftServerID);

// The active server recorded with an automatic configuration: the draft's server when it is
// among the addressed ones, else the first addressed one.
std::string automaticActiveServerID(const std::vector<std::string>& addressed, std::string_view draftServerID);

// "Automatic preset updated · <n> server(s) · <m> script(s)."
std::string automaticPresetStatus(std::size_t servers, std::size_t scripts);

}  // namespace tarvo::share
