#include "TarvoShareExtension/ShareViewController/Smart/SmartSharePlan.h"

#include <cmath>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string planFolder(std::string_view destFolder) {
    return text::trimmingCharacters(text::trimmed(destFolder), "/");
}

std::string planFallbackFolder(std::string_view destFolder) {
    std::string folder = planFolder(destFolder);
    return folder.empty() ? std::string(kDefaultUploadFolder) : folder;
}

bool planFolderIsUnchosen(std::string_view destFolder) {
    const std::string folder = planFolder(destFolder);
    return folder.empty() || folder == kDefaultUploadFolder;
}

namespace {

// The candidates in the order of the paths; in their own order unless the paths name each once.
ShellCandidates inListOrder(const ShellCandidates& candidates, const std::vector<std::string>& paths) {
    ShellCandidates ordered;
    for (const auto& path : paths) {
        for (const auto& candidate : candidates) {
            if (artifactEqualsIgnoringCase(candidate.path, path)) {
                ordered.push_back(candidate);
                break;
            }
        }
    }
    return ordered.size() == candidates.size() ? ordered : candidates;
}

}  // namespace

std::optional<Draft> applyingSmartSharePlan(const SmartShareResolvedPlan& plan, const Draft& given,
                                            const std::string& serverID, bool requireAutoApply,
                                            const ShellCandidates& base, const ShellCandidates& shown) {
    if (!plan.preset || (requireAutoApply && !plan.shouldAutoApply)) return std::nullopt;
    const SmartSharePreset& preset = *plan.preset;
    const auto action = fromRawValue<PostUploadAction>(preset.postUploadActionRaw);
    if (!action) return std::nullopt;
    const bool unzips = needsUnzip(*action);

    PostUploadWorkingDirectory directory = unzips ? PostUploadWorkingDirectory::extractedFolder
                                                  : PostUploadWorkingDirectory::uploadFolder;
    if (preset.workingDirectoryRaw == "uploadFolder") {
        directory = PostUploadWorkingDirectory::uploadFolder;
    } else if (preset.workingDirectoryRaw == "custom") {
        directory = PostUploadWorkingDirectory::custom;
    }
    std::string customDirectory = normalizeWorkingDirectoryPath(preset.customWorkingDirectory);
    std::string command = normalizedCommand(preset.deployCommand);
    std::vector<std::string> scripts;

    if (*action == PostUploadAction::unzipThenRun) {
        const ShellCandidates matched = candidatesMatchingPreset(preset, base);
        if (!matched.empty()) {
            scripts = orderedScriptPaths(candidatePaths(matched), shown);
            // The recipe runs the scripts in the order of the list, as choosing them on the
            // screen would have written it, so the draft still knows them as its scripts.
            const ShellCandidates ordered = inListOrder(matched, scripts);
            auto [wd, custom] = workingDirectoryFor(ordered.front());
            directory = wd;
            customDirectory = custom;
            command = recipeCommand(ordered);
        }
    }
    if ((*action == PostUploadAction::run || *action == PostUploadAction::unzipThenRun) && command.empty()) {
        return std::nullopt;
    }

    Draft result = given;
    result.serverId = serverID;
    result.action = ShareAction::upload;
    result.destFolder = planFolder(plan.destinationFolder);
    result.postUploadAction = *action;
    result.deployWorkingDirectory = directory;
    result.deployCustomWorkingDirectory = customDirectory;
    result.deployCommand = command;
    result.selectedScriptPaths = scripts;
    if (*action == PostUploadAction::unzipThenRun && selectedArtifactCandidates(result, shown).empty()) {
        return std::nullopt;
    }
    return result;
}

SmartPlanResolution resolveSmartPlans(const SmartSharePresetMemoryStore& memory, const ArtifactProjectSignature& signature,
                                      const std::vector<std::string>& serverIDs, std::uint64_t memoryRevision) {
    SmartPlanResolution out;
    out.projectDigest = signature.exactDigest;
    out.memoryRevision = memoryRevision;
    out.serverIDs = serverIDs;
    const std::optional<ArtifactProjectSignature> project = signature;
    out.plans = memory.resolveAll(serverIDs, project, "");
    out.automaticConfiguration = memory.resolveAutomaticConfiguration(project);
    return out;
}

SmartShareResolvedPlan planWithFallbackFolder(SmartShareResolvedPlan plan, const std::string& fallbackFolder) {
    if (!plan.preset) plan.destinationFolder = fallbackFolder;
    return plan;
}

long long planPercentage(double score) {
    const double scaled = std::round(score * 100.0);
    if (!std::isfinite(scaled)) return 0;
    return static_cast<long long>(scaled);
}

std::string planCardSubtitle(const SmartShareResolvedPlan& plan) {
    std::string subtitle = "/" + plan.destinationFolder + " \u00B7 " + std::to_string(planPercentage(plan.score)) + "%";
    for (std::size_t i = 0; i < plan.evidence.size() && i < 2; ++i) subtitle += " \u00B7 " + plan.evidence[i];
    return subtitle;
}

std::string planApplyTitle(const SmartShareResolvedPlan& plan) { return "Use /" + plan.destinationFolder; }

bool SmartPlanRefreshGuard::enter() {
    if (running_) {
        again_ = true;
        return false;
    }
    running_ = true;
    again_ = false;
    passes_ = 1;
    return true;
}

bool SmartPlanRefreshGuard::passFinished() {
    if (again_ && passes_ < kMaxPasses) {
        again_ = false;
        ++passes_;
        return true;
    }
    running_ = false;
    again_ = false;
    passes_ = 0;
    return false;
}

}  // namespace tarvo::share
