#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"

#include <algorithm>
#include <unordered_set>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

namespace {

// The non-empty lines of a normalised command, each trimmed.
std::vector<std::string> commandLines(std::string_view command) {
    std::vector<std::string> out;
    for (const std::string& piece : text::components(normalizedCommand(command), "\n")) {
        std::string line = text::trimmed(piece);
        if (!line.empty()) out.push_back(std::move(line));
    }
    return out;
}

std::string runLineOf(const ArtifactShellCandidate& candidate) { return normalizedCommand(scriptRunLine(candidate)); }

bool isRunLineOf(std::string_view line, const ArtifactShellCandidate& candidate) { return runLineOf(candidate) == line; }

bool isRunLineOfAny(std::string_view line, const ShellCandidates& candidates) {
    return std::any_of(candidates.begin(), candidates.end(), [&](const auto& c) { return isRunLineOf(line, c); });
}

// A later line of a recipe that runs from `folder`: some candidate's run line, or the line that
// runs a candidate of another folder from there.
bool isLaterLineFrom(std::string_view line, std::string_view folder, const ShellCandidates& candidates) {
    return std::any_of(candidates.begin(), candidates.end(), [&](const auto& c) {
        return isRunLineOf(line, c) || lineRunsCandidate(line, c, folder);
    });
}

std::string trimmedFolder(std::string_view path) {
    return text::trimmingCharacters(text::trimmed(path), "/");
}

}  // namespace

bool commandMatchesCandidates(std::string_view command, const ShellCandidates& candidates) {
    const std::string normalized = normalizedCommand(command);
    if (normalized.empty()) return true;
    if (normalized.find('\n') == std::string::npos) return isRunLineOfAny(normalized, candidates);

    const std::vector<std::string> lines = commandLines(normalized);
    // The first line decides the working folder; a script name can lie in several folders, so
    // each folder the first line may stand for is tried.
    std::unordered_set<std::string> tried;
    for (const auto& first : candidates) {
        if (!isRunLineOf(lines.front(), first) || !tried.insert(first.parent).second) continue;
        const bool all = std::all_of(lines.begin() + 1, lines.end(), [&](const std::string& line) {
            return isLaterLineFrom(line, first.parent, candidates);
        });
        if (all) return true;
    }
    return false;
}

bool CommandMatcher::matches(const std::string& command) const {
    // Typing a command asks for a new one at every keystroke; what is remembered stays bounded.
    constexpr std::size_t kRemembered = 4096;
    if (auto known = known_.find(command); known != known_.end()) return known->second;
    if (known_.size() >= kRemembered) known_.clear();
    const std::string normalized = normalizedCommand(command);
    bool fits = false;
    if (!normalized.empty() && normalized.find('\n') == std::string::npos) {
        // A one-line command is a run line or not: the candidates' run lines are made once.
        if (runLines_.empty()) {
            for (const auto& c : candidates_) runLines_.insert(runLineOf(c));
        }
        fits = runLines_.count(normalized) != 0;
    } else {
        fits = commandMatchesCandidates(command, candidates_);
    }
    known_.emplace(command, fits);
    return fits;
}

bool deployCommandMatchesCurrentArtifact(std::string_view command, const ArtifactInsight& insight) {
    return commandMatchesCandidates(command, insight.shellCandidates);
}

Draft draftClearingRecipe(Draft draft) {
    draft.postUploadAction = PostUploadAction::none;
    draft.deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    draft.deployCustomWorkingDirectory.clear();
    draft.deployCommand.clear();
    draft.selectedScriptPaths.clear();
    return draft;
}

std::optional<Draft> staleRecipeCleared(const Draft& draft, const ArtifactInsight& insight, bool userTouchedRecipe) {
    if (userTouchedRecipe || !insight.state.is(ArtifactInsightState::Case::ready) ||
        insight.baseShellCandidates.empty()) {
        return std::nullopt;
    }
    if (normalizedCommand(draft.deployCommand).empty()) return std::nullopt;
    if (deployCommandMatchesCurrentArtifact(draft.deployCommand, insight)) return std::nullopt;
    return draftClearingRecipe(draft);
}

namespace {

// The rule of recipeClearedIfStale, with the fit to the base candidates answered by fits.
template <class Fits>
Draft clearedIfStale(const Draft& draft, const std::string& serverID, const ArtifactInsight& insight,
                     const std::set<std::string>& manuallyEditedRecipeServerIDs, Fits fits) {
    if (manuallyEditedRecipeServerIDs.count(serverID) != 0 || !insight.state.is(ArtifactInsightState::Case::ready) ||
        insight.baseShellCandidates.empty() || normalizedCommand(draft.deployCommand).empty() ||
        fits(draft.deployCommand)) {
        return draft;
    }
    return draftClearingRecipe(draft);
}

}  // namespace

Draft recipeClearedIfStale(const Draft& draft, const std::string& serverID, const ArtifactInsight& insight,
                           const std::set<std::string>& manuallyEditedRecipeServerIDs) {
    // One draft: matched directly, without the matcher's tables.
    return clearedIfStale(draft, serverID, insight, manuallyEditedRecipeServerIDs, [&](const std::string& command) {
        return commandMatchesCandidates(command, insight.baseShellCandidates);
    });
}

Draft recipeClearedIfStale(const Draft& draft, const std::string& serverID, const ArtifactInsight& insight,
                           const std::set<std::string>& manuallyEditedRecipeServerIDs, const CommandMatcher& base) {
    return clearedIfStale(draft, serverID, insight, manuallyEditedRecipeServerIDs,
                          [&](const std::string& command) { return base.matches(command); });
}

std::optional<ArtifactShellCandidate> authoritativeAutomaticCandidate(const ArtifactRecommendationResponse& response,
                                                                      const ShellCandidates& baseShellCandidates) {
    const auto& recommendations = response.recommendations;
    if (recommendations.empty()) return std::nullopt;
    const ArtifactCandidateRecommendation& top = recommendations.front();
    if (top.successfulRunCount < 1 || top.failedRunCount >= top.successfulRunCount) return std::nullopt;

    const std::string topRelative = top.relativePath.value_or("");
    auto match = std::find_if(baseShellCandidates.begin(), baseShellCandidates.end(), [&](const auto& c) {
        return artifactEqualsIgnoringCase(c.path, top.scriptPath) || artifactEqualsIgnoringCase(c.relativePath, topRelative);
    });
    if (match == baseShellCandidates.end()) return std::nullopt;
    const ArtifactShellCandidate& chosen = *match;

    const bool vouched = response.decision == ArtifactSelectionKind::autoSelect && response.exactMatch;
    auto second = std::find_if(recommendations.begin() + 1, recommendations.end(),
                               [](const auto& r) { return r.successfulRunCount > 0; });
    if (top.successfulRunCount < kAutomaticRunCountLead) return vouched ? std::optional(chosen) : std::nullopt;
    if (second == recommendations.end()) return chosen;
    if (top.successfulRunCount - second->successfulRunCount < kAutomaticRunCountLead) {
        return vouched ? std::optional(chosen) : std::nullopt;
    }
    if (vouched || top.score - second->score >= kAutomaticScoreLead) return chosen;
    return std::nullopt;
}

ShellCandidates candidatesMatchingPreset(const SmartSharePreset& preset, const ShellCandidates& baseShellCandidates) {
    ShellCandidates out;
    std::unordered_set<std::string> kept;
    bool found = false;
    auto take = [&](const ArtifactShellCandidate& c) {
        found = true;
        if (kept.insert(artifactLowercased(c.path)).second) out.push_back(c);
    };
    auto firstWhere = [&](auto pred) -> const ArtifactShellCandidate* {
        auto it = std::find_if(baseShellCandidates.begin(), baseShellCandidates.end(), pred);
        return it == baseShellCandidates.end() ? nullptr : &*it;
    };

    std::vector<std::string> paths = preset.selectedScriptPaths;
    if (paths.empty() && preset.selectedScriptPath) paths.push_back(*preset.selectedScriptPath);
    for (const auto& path : normalizedScriptPathList(paths)) {
        if (auto c = firstWhere([&](const auto& c) {
                return artifactEqualsIgnoringCase(c.path, path) || artifactEqualsIgnoringCase(c.relativePath, path);
            })) {
            take(*c);
        }
    }
    std::vector<std::string> fingerprints = preset.selectedScriptFingerprints;
    if (fingerprints.empty() && preset.selectedScriptFingerprint) fingerprints.push_back(*preset.selectedScriptFingerprint);
    for (const auto& fingerprint : normalizedScriptPathList(fingerprints)) {
        if (auto c = firstWhere([&](const auto& c) { return c.fingerprint && *c.fingerprint == fingerprint; })) take(*c);
    }
    if (found) return out;

    // The command pass: each line must run a script where the preset's working directory puts it.
    const auto action = fromRawValue<PostUploadAction>(preset.postUploadActionRaw).value_or(PostUploadAction::none);
    auto directory = fromRawValue<PostUploadWorkingDirectory>(preset.workingDirectoryRaw);
    if (!directory) {
        directory = needsUnzip(action) ? PostUploadWorkingDirectory::extractedFolder
                                       : PostUploadWorkingDirectory::uploadFolder;
    }
    const std::string custom = normalizeWorkingDirectoryPath(preset.customWorkingDirectory);
    std::optional<std::string> folder;  // the working folder inside the archive
    if (*directory == PostUploadWorkingDirectory::extractedFolder) {
        folder = "";
    } else if (*directory == PostUploadWorkingDirectory::custom && text::hasPrefix(custom, kExtractPrefix)) {
        folder = custom.substr(kExtractPrefix.size());
    }
    auto fits = [&](const ArtifactShellCandidate& c) {
        switch (*directory) {
            case PostUploadWorkingDirectory::uploadFolder: return false;
            case PostUploadWorkingDirectory::extractedFolder: return c.parent.empty();
            case PostUploadWorkingDirectory::custom:
                return normalizeWorkingDirectoryPath(std::string(kExtractPrefix) + c.parent) == custom;
        }
        return false;
    };
    for (const auto& line : commandLines(preset.deployCommand)) {
        if (auto c = firstWhere([&](const auto& c) {
                if (isRunLineOf(line, c) && fits(c)) return true;
                return folder && !relativeFolder(*folder, c.parent).empty() && lineRunsCandidate(line, c, *folder);
            })) {
            take(*c);
        }
    }
    return out;
}

ShellCandidates authoritativeAutomaticScriptSet(const ArtifactRecommendationResponse& response,
                                                const std::optional<SmartShareResolvedPlan>& plan,
                                                const ShellCandidates& baseShellCandidates) {
    if (!plan || plan->score < kAutomaticPlanScoreMinimum || !plan->preset) return {};
    ShellCandidates candidates = candidatesMatchingPreset(*plan->preset, baseShellCandidates);
    if (candidates.size() < 2) return {};
    if (!response.exactMatch) {
        static const std::vector<std::string> identity = {"exact tree match", "script contents match",
                                                          "same script byteprint"};
        const bool named = std::any_of(plan->evidence.begin(), plan->evidence.end(), [](const std::string& e) {
            return std::find(identity.begin(), identity.end(), e) != identity.end();
        });
        if (!named) return {};
    }
    for (const auto& c : candidates) {
        auto rec = std::find_if(response.recommendations.begin(), response.recommendations.end(), [&](const auto& r) {
            return artifactEqualsIgnoringCase(r.scriptPath, c.path) ||
                   (r.relativePath && artifactEqualsIgnoringCase(*r.relativePath, c.relativePath));
        });
        if (rec == response.recommendations.end() || rec->successfulRunCount < kAutomaticSetRunsPerScript ||
            rec->successfulRunCount <= rec->failedRunCount) {
            return {};
        }
    }
    return candidates;
}

Draft draftBySelecting(const ShellCandidates& candidates, const Draft& draft, const std::string& serverID) {
    if (candidates.empty()) return draft;
    Draft next = draft;
    next.serverId = serverID;
    next.action = ShareAction::upload;
    next.postUploadAction = PostUploadAction::unzipThenRun;
    std::tie(next.deployWorkingDirectory, next.deployCustomWorkingDirectory) = workingDirectoryFor(candidates.front());
    next.deployCommand = recipeCommand(candidates);
    next.selectedScriptPaths = normalizedScriptPathList(candidatePaths(candidates));
    return next;
}

std::vector<ArtifactDestinationRecommendation> destinationSuggestions(
    const std::vector<ArtifactDestinationRecommendation>& destinations, std::string_view currentDestination) {
    const std::string current = trimmedFolder(currentDestination);
    std::vector<ArtifactDestinationRecommendation> out;
    for (const auto& d : destinations) {
        if (trimmedFolder(d.path) != current) out.push_back(d);
    }
    return out;
}

}  // namespace tarvo::share
