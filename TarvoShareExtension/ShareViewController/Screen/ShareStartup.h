#pragma once
// What the share controller's start-up decides from what it was handed and what the app group
// stores, as pure functions: which shared items are sidecar tickets, which stored modes apply,
// which settings are retired.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"

namespace tarvo::share {

// Suffixes (compared with the lower-cased suggested name) of the two kinds of NVK tickets.
inline constexpr std::string_view kDeploymentSidecarSuffix = ".nvk-deploy.json";
inline constexpr std::string_view kReturnSidecarSuffix = ".nvk-return.json";

struct SharedItems {
    ProviderList deploymentSidecars;  // linked-deployment tickets, in order
    ProviderList returnSidecars;      // reply tickets, in order
    ProviderList items;               // everything else, in order
};

// Sets the tickets aside by their suggested names (a missing name counts as empty).
SharedItems separateSidecars(const ProviderList& collected);

// The fourteen per-draft settings of earlier versions, removed at every start; drafts hold
// them per server now.
const std::vector<std::string>& retiredDraftSettingsKeys();

// Multi only for the exact text "multi"; one by one only for the exact text "oneByOne".
ServerMode storedServerMode(const std::optional<std::string>& stored);
MultiDispatchMode storedMultiDispatchMode(const std::optional<std::string>& stored);

}  // namespace tarvo::share
