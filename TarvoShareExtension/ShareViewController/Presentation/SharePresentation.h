#pragma once
// The texts the share screen derives from its state: the hero header's lines, the dock's
// summary and detail lines, the send button's title, the server rows' context and detail
// lines, the artifact card's lines and the run-state colour rule. Pure functions over plain
// values; the controller gathers the values and puts the results on its controls.
//
// Separators are fixed: " · " between parts, " → " from payload to target, "…" where a text is
// cut. Lengths are user-perceived characters and cuts keep whole characters.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"

namespace tarvo::share {

inline constexpr std::string_view kPartSeparator = " \u00B7 ";
inline constexpr std::string_view kArrow = " \u2192 ";
inline constexpr std::string_view kEllipsis = "\u2026";

// The text trimmed; "Artifact" when nothing is left; unchanged up to `limit` characters; else
// its first h characters, "…" and its last h, h = (limit - 1) / 2 but at least 12.
std::string compactArtifactTitle(std::string_view text, std::size_t limit);

// ---- Hero header

// What the hero header knows of the payload.
struct PayloadFacts {
    std::optional<std::string> rootFolder;
    std::string filename;
    std::int64_t entryCount = 0;
    std::uint64_t totalUncompressedBytes = 0;
    std::vector<std::optional<std::string>> suggestedNames;  // one per shared item, in order
};
PayloadFacts payloadFacts(const ArtifactInsight& insight, std::vector<std::optional<std::string>> suggestedNames);

// The root folder, else the file name, else the first suggested name (each trimmed and cut at
// 44), else "Shared item" for one item or "<n> items".
std::string payloadDisplayTitle(const PayloadFacts& payload);
// "<n> files · <size>" ("size unknown" for 0 bytes) once entries were listed; else "1 item" or
// "<n> items".
std::string payloadSizeLine(const PayloadFacts& payload);
// Safari, Files, or the identifier's last component with "-" made " "; "" for none.
std::string friendlySourceLabel(const std::optional<std::string>& sourceBundleID);
// "proof <S>×", with " · <F> failed" when runs failed, over every recommendation of every
// server (negative counts as 0); "" when neither count reaches 1.
std::string projectProofLine(const std::map<std::string, ArtifactRecommendationResponse>& recommendationsByServer);
// The non-empty parts, trimmed, joined with " · ".
std::string joinedNonEmptyParts(const std::vector<std::string>& parts);

// The label of the first configured server with the id, else of the active server, else
// "No server".
std::string serverLabel(const std::vector<ServerProfile>& servers, std::string_view serverId,
                        const std::optional<ServerProfile>& activeServer);
// How many distinct ids of configured servers are selected (stale ids do not count).
std::size_t countedSelectedServers(const std::vector<ServerProfile>& servers, const std::set<std::string>& selected);

// "Deploy · <title>" for a linked deployment; "<title> → <server>" in single mode; else
// "<title> → <n> server(s)".
std::string heroTitleLine(std::string_view payloadTitle, bool linked, ServerMode mode, std::string_view serverLabel,
                          std::size_t countedSelected);

// ---- Dock and send button

// "Send" for an emit; "Upload", "Upload + Unzip" or "Upload + Run" by the recipe.
std::string actionTitle(const Draft& draft);
// The folder trimmed of blanks and then of "/" at both ends: "/<folder>", or emptyText.
std::string destinationText(std::string_view destFolder, std::string_view emptyText);
// The first line of the normalised command ("" when there is none).
std::string firstCommandLine(std::string_view command);

// The script a run recipe runs: "<n> scripts selected", the one script's path (else name), or
// the command's first line cut to 85 characters and "…" from 89 on ("script not selected" for
// none). Nothing unless the draft uploads with run or unzipThenRun.
std::optional<std::string> compactScriptSummary(const Draft& draft, const std::vector<ArtifactShellCandidate>& selected);
// "<run folder> · <command's first line, cut at 42, or auto command>".
std::string compactAdvancedSummary(const Draft& draft);
// The labels of the selected configured servers in stored order; past the limit, the first
// `limit` and "+<rest> more".
std::vector<std::string> selectedServerLabels(const std::vector<ServerProfile>& servers,
                                              const std::set<std::string>& selected, std::size_t limit);

struct DockFacts {
    std::string payloadTitle;
    bool linked = false;
    std::size_t linkedTargetCount = 0;  // selected linked targets
    ServerMode mode = ServerMode::single;
    std::string draftActionTitle;
    std::string serverLabel;             // of the draft's server
    std::size_t countedSelected = 0;
    std::string destFolder;              // the draft's
    std::optional<std::string> scriptSummary;
    bool upload = false;
    std::string defaultKind;             // of the payload's type
    std::vector<std::string> selectedLabels;  // selectedServerLabels(limit 4)
};
std::string dockSummaryLine(const DockFacts& facts);
std::string dockDetailLine(const DockFacts& facts);

// The send button's title: the action title; "Deploy <n> target(s)" when linked; in multi
// mode the action title, " → " and the target count.
std::string sendButtonTitle(const Draft& draft, bool linked, ServerMode mode, std::size_t targetCount);

// ---- Server rows

// Selected, recommended (unselected with a recommendation) and quiet servers, each in stored
// order.
struct ServerGroups {
    std::vector<ServerProfile> selected;
    std::vector<ServerProfile> recommended;
    std::vector<ServerProfile> quiet;
};
ServerGroups groupServers(const std::vector<ServerProfile>& servers, const std::set<std::string>& selected,
                          const std::function<bool(const ServerProfile&)>& hasRecommendation);

// "/<folder>" or "root", then with includeScript " · " and the script summary, "no script" for
// an upload, else the draft's kind or the default kind.
std::string serverContextText(const Draft& draft, bool includeScript, const std::optional<std::string>& scriptSummary,
                              std::string_view defaultKind);
// Destination, Entry, Recipe, Run in and Notify, each "<key>: <value>".
std::vector<std::string> serverDetailLines(const Draft& draft, const std::optional<std::string>& scriptSummary);
// A run state drawn in red: one that begins with "Failed".
bool runStateIsFailure(std::string_view runState);
// "Entry · <n> selected / <t>", or "Entry · likely picks" when none is selected.
std::string entrySelectionLine(std::size_t selected, std::size_t total);

// ---- Artifact card

// The card's title: the trimmed root folder, else the trimmed file name, cut at 52.
std::string artifactCardTitle(const ArtifactInsight& insight);
// The subtitle of the states other than ready.
std::string artifactStateSubtitle(const ArtifactInsightState& state);
// The scripts line of a ready insight with `total` candidates, `selected` of them selected
// and `visible` on the rail.
std::string artifactScriptsLine(std::size_t total, std::size_t selected, std::size_t visible);
// entries, root, markers and tree, one a line.
std::string artifactDetailsText(const ArtifactInsight& insight);
// 3 columns unless one of the first 12 names has 27 characters or more.
int entryGridColumnCount(const std::vector<ArtifactShellCandidate>& candidates);
// The candidate's relative path, else its file name.
std::string candidateDisplayName(const ArtifactShellCandidate& candidate);
// "✓" or "+", the name cut at 34, and the success badge when there is one.
std::string candidateChipTitle(const ArtifactShellCandidate& candidate, bool selected,
                               const std::optional<std::string>& successBadge);
std::string moreEntryChipTitle(bool expanded, std::int64_t hiddenCount);

}  // namespace tarvo::share
