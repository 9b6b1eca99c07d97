#include "TarvoShareExtension/ShareViewController/Smart/ProjectServerChoices.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace {

bool isConfiguredServer(const std::vector<ServerProfile>& servers, std::string_view id) {
    return std::any_of(servers.begin(), servers.end(), [&](const ServerProfile& s) { return s.id == id; });
}

}  // namespace

std::optional<ServerMode> projectServerModeFrom(const std::optional<platform::PropertyList>& stored) {
    if (!stored) return std::nullopt;
    const std::string* text = stored->asString();
    const std::string value = text ? *text : std::string();
    if (value == "single") return ServerMode::single;
    if (value == "multi") return ServerMode::multi;
    return std::nullopt;
}

std::vector<std::string> selectedIDsInServerOrder(const std::vector<ServerProfile>& servers,
                                                  const std::set<std::string>& selected) {
    std::vector<std::string> ids;
    for (const auto& s : servers) {
        if (selected.count(s.id) != 0) ids.push_back(s.id);
    }
    return ids;
}

std::optional<std::string> configuredSingleServerID(const std::vector<ServerProfile>& servers,
                                                    std::string_view draftServerID) {
    std::string id = platform::text::trimmed(draftServerID);
    if (!isConfiguredServer(servers, id)) return std::nullopt;
    return id;
}

AutomaticConfigurationChoice automaticConfigurationChoice(const SmartShareAutomaticConfiguration& configuration,
                                                          const std::vector<ServerProfile>& servers,
                                                          std::string_view draftServerID) {
    std::vector<std::string> ids;
    for (const auto& id : configuration.selectedServerIDs) {
        if (isConfiguredServer(servers, id)) ids.push_back(id);
    }
    AutomaticConfigurationChoice choice;
    choice.mode = configuration.serverModeRaw != "single" && ids.size() >= 2 ? ServerMode::multi : ServerMode::single;
    choice.dispatch =
        configuration.multiDispatchModeRaw == "oneByOne" ? MultiDispatchMode::oneByOne : MultiDispatchMode::all;
    if (isConfiguredServer(servers, configuration.activeServerID)) {
        choice.targetServerID = configuration.activeServerID;
    } else if (!ids.empty()) {
        choice.targetServerID = ids.front();
    } else {
        choice.targetServerID = std::string(draftServerID);
    }
    if (choice.mode == ServerMode::multi) {
        choice.selectedServerIDs = std::set<std::string>(ids.begin(), ids.end());
    } else if (isConfiguredServer(servers, choice.targetServerID)) {
        choice.selectedServerIDs = {choice.targetServerID};
    }
    return choice;
}

std::string automaticActiveServerID(const std::vector<std::string>& addressed, std::string_view draftServerID) {
    if (std::find(addressed.begin(), addressed.end(), draftServerID) != addressed.end()) {
        return std::string(draftServerID);
    }
    return addressed.empty() ? std::string() : addressed.front();
}

std::string automaticPresetStatus(std::size_t servers, std::size_t scripts) {
    return "Automatic preset updated \u00B7 " + std::to_string(servers) + (servers == 1 ? " server" : " servers") +
           " \u00B7 " + std::to_string(scripts) + (scripts == 1 ? " script" : " scripts") + ".";
}

}  // namespace tarvo::share
