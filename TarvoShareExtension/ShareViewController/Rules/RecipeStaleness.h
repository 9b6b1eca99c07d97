#pragma once
// Keeping a remembered post-upload recipe tied to the artifact of this share: when a recipe no
// longer fits the shared project and is cleared, which script or set of scripts a server's run
// history makes safe to select without asking, and how a draft is rewritten to run them.
// Pure functions over the draft and the controller's state they are given.
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"

namespace tarvo::share {

// Thresholds of the automatic rules.
inline constexpr double kAutomaticPlanScoreMinimum = 0.62;
inline constexpr std::int64_t kAutomaticRunCountLead = 2;
inline constexpr double kAutomaticScoreLead = 2500.0;
inline constexpr std::int64_t kAutomaticSetRunsPerScript = 2;

// Whether the command still fits the candidates. An empty command always fits. A one-line
// command fits when it is the run line of a candidate. A command of several lines fits when
// each non-empty line is a line of a candidate: the first its run line, a later one its run
// line or the (cd -- ...) line that runs it from the first line's folder.
bool commandMatchesCandidates(std::string_view command, const ShellCandidates& candidates);

// commandMatchesCandidates for many drafts over one list of candidates, as every server row asks
// it at each rebuild: each command is matched once (matching one builds the run line of every
// candidate). The list must outlive the matcher and stay unchanged while it is in use.
class CommandMatcher {
public:
    explicit CommandMatcher(const ShellCandidates& candidates) : candidates_(candidates) {}
    bool matches(const std::string& command) const;

private:
    const ShellCandidates& candidates_;
    mutable std::unordered_map<std::string, bool> known_;
    mutable std::unordered_set<std::string> runLines_;
};

// commandMatchesCandidates over the insight's shown candidates.
bool deployCommandMatchesCurrentArtifact(std::string_view command, const ArtifactInsight& insight);

// The draft with its recipe cleared: no action, the upload folder, no custom directory, no
// command, no scripts. Every other field stays.
Draft draftClearingRecipe(Draft draft);

// The decision of the controller's stale-recipe check for the current draft: the cleared draft
// when the user has not touched the recipe, the insight is ready with base candidates, and the
// draft's non-empty command does not fit the shown candidates; else nothing (leave it).
std::optional<Draft> staleRecipeCleared(const Draft& draft, const ArtifactInsight& insight, bool userTouchedRecipe);

// The draft handed out for a server: unchanged when the user edited that server's recipe, the
// insight is not ready or has no base candidates, the command is empty or fits the base
// candidates; else cleared.
Draft recipeClearedIfStale(const Draft& draft, const std::string& serverID, const ArtifactInsight& insight,
                           const std::set<std::string>& manuallyEditedRecipeServerIDs);
// The same, with the fit to the base candidates answered by a matcher of the insight's base list.
Draft recipeClearedIfStale(const Draft& draft, const std::string& serverID, const ArtifactInsight& insight,
                           const std::set<std::string>& manuallyEditedRecipeServerIDs, const CommandMatcher& base);

// The one script the server's history makes safe to select: its best recommendation, found among
// the base candidates by path or relative path (ignoring case), with more successes than
// failures and a clear lead over the next successful one (2 more runs, and the server vouching
// with an exact "auto_select" or a score lead of 2500); a thinner record needs the server to
// vouch. Nothing otherwise.
std::optional<ArtifactShellCandidate> authoritativeAutomaticCandidate(const ArtifactRecommendationResponse& response,
                                                                      const ShellCandidates& baseShellCandidates);

// The scripts a preset found among the base candidates, in order, without two of one path
// (ignoring case): by its script paths, then by its fingerprints; only when both find nothing,
// by the lines of its command run from its working directory.
ShellCandidates candidatesMatchingPreset(const SmartSharePreset& preset, const ShellCandidates& baseShellCandidates);

// The remembered set of scripts that is safe to select: the server's plan (score at least 0.62,
// with a preset) matches at least two scripts, the match is exact (the reply's, or an identity
// evidence of the plan), and every script ran at least twice on the server with more successes
// than failures. Empty otherwise.
ShellCandidates authoritativeAutomaticScriptSet(const ArtifactRecommendationResponse& response,
                                                const std::optional<SmartShareResolvedPlan>& plan,
                                                const ShellCandidates& baseShellCandidates);

// The draft rewritten to run the candidates after unzipping: the server id, upload, the first
// script's working directory, one line per script (see ShellCandidateSelection.h) and their
// normalised paths. No candidates: the draft unchanged.
Draft draftBySelecting(const ShellCandidates& candidates, const Draft& draft, const std::string& serverID);

// The destinations to offer: those whose path, trimmed of blanks and then of "/", differs from
// the current destination trimmed the same way.
std::vector<ArtifactDestinationRecommendation> destinationSuggestions(
    const std::vector<ArtifactDestinationRecommendation>& destinations, std::string_view currentDestination);

}  // namespace tarvo::share
