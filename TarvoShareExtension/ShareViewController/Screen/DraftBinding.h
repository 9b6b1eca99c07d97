#pragma once
// The two directions between the share screen's controls and the draft of the server on the
// screen, as pure functions over the controls' values: reading the screen builds a complete,
// normalised draft; writing a draft gives the values each bound control shows. The controller
// reads and writes the controls themselves.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"

namespace tarvo::share {

// What the bound controls hold. Segments: action 0 emit, 1 upload; lifetime 0 run once,
// 1 keep running (any other index reads as the first).
struct DraftScreenValues {
    int actionSegment = 0;
    std::string kind;
    std::string replyTo;
    std::string onlyAgents;
    std::string destFolder;
    bool openOnNextLaunch = false;
    std::string customWorkingDirectory;
    std::string deployCommand;
    int lifetimeSegment = 0;
    // The readiness value field; written from a draft, never read back into one.
    std::string readinessValue;

    bool operator==(const DraftScreenValues&) const = default;
};

// The command that selecting the scripts produces, one line per script in order, as the
// script chips write it (ShellCandidateSelection's recipeCommand: bash './<file name>' in the
// first script's folder), normalised like a typed command.
std::string selectedScriptsCommand(const std::vector<ArtifactShellCandidate>& selected);

// The draft the screen shows. Texts are trimmed (the folder also of leading and trailing "/",
// the working directory and command normalised); the fields without a control of their own
// come from the current draft; an empty server id falls back to the trimmed active server id.
// The script selection survives only while the command still reads exactly as selecting them
// produced it: `selectedByCurrent` are the candidates the current draft selects. Built by the
// normalising initialiser.
Draft snapshotDraft(const Draft& current, const DraftScreenValues& screen, std::string_view activeServerId,
                    const std::vector<ArtifactShellCandidate>& selectedByCurrent);

// What each bound control shows for a draft. The readiness value is the pattern of a
// log-contains rule, the URL of an HTTP rule, and empty for the other kinds.
DraftScreenValues screenValues(const Draft& draft);

// A route field rewritten when editing ends: its tokens (split at commas and white space,
// duplicates dropped) joined with ", ".
std::string normalizedRouteText(std::string_view text);

// The server button's title: the label of the draft's server, else of the active server,
// else "No server configured".
std::string serverButtonTitle(const std::vector<ServerProfile>& servers, std::string_view serverId,
                              const std::optional<ServerProfile>& activeServer);

}  // namespace tarvo::share
