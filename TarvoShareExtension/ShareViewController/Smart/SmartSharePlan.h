#pragma once
// The smart-share plan of one server turned into that server's draft, the texts of the plan card,
// and the guard that keeps the plan refresh from re-entering itself without bound. Pure
// functions; the controller resolves the plans and applies what these decide.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"

namespace tarvo::share {

// The folder a draft without a chosen folder uploads to.
inline constexpr std::string_view kDefaultUploadFolder = "uploads";

// The folder trimmed of blanks and line breaks, then of "/" at both ends.
std::string planFolder(std::string_view destFolder);
// planFolder, or "uploads" when that leaves nothing: the folder a plan falls back to.
std::string planFallbackFolder(std::string_view destFolder);
// A folder that trims to nothing or to exactly "uploads" was not chosen by the person.
bool planFolderIsUnchosen(std::string_view destFolder);

// The draft a plan makes for a server, or nothing: without a preset, when automatic use is
// required and the plan does not ask for it, for an unknown recipe, a run without a command, or
// an extract-and-run whose scripts are not in the archive. The route, notification and
// lifetime fields come from the given draft. base: the archive's own candidates (where the
// preset's scripts are looked for); shown: the candidates the screen shows (their order orders
// the scripts and decides what the result selects).
std::optional<Draft> applyingSmartSharePlan(const SmartShareResolvedPlan& plan, const Draft& given,
                                            const std::string& serverID, bool requireAutoApply,
                                            const ShellCandidates& base, const ShellCandidates& shown);

// The plans of one project on the servers, resolved together off the main queue from a
// snapshot of the memory. A plan without a preset is the memory's fallback, whose folder is the
// server draft's own: planWithFallbackFolder fills it in when the plan is used.
struct SmartPlanResolution {
    std::string projectDigest;
    std::uint64_t memoryRevision = 0;
    std::vector<std::string> serverIDs;
    std::map<std::string, SmartShareResolvedPlan> plans;
    std::optional<SmartShareAutomaticConfiguration> automaticConfiguration;
};
SmartPlanResolution resolveSmartPlans(const SmartSharePresetMemoryStore& memory, const ArtifactProjectSignature& signature,
                                      const std::vector<std::string>& serverIDs, std::uint64_t memoryRevision);
SmartShareResolvedPlan planWithFallbackFolder(SmartShareResolvedPlan plan, const std::string& fallbackFolder);

// The integer nearest to score × 100, halves away from zero.
long long planPercentage(double score);
// "/<folder> · <n>%", then " · " and the first two evidence items joined by " · ".
std::string planCardSubtitle(const SmartShareResolvedPlan& plan);
// "Use /<folder>".
std::string planApplyTitle(const SmartShareResolvedPlan& plan);

// The plan refresh is entered again from inside itself (the screen's derived refresh ends by
// refreshing the plan). A request made while a pass runs is not run nested: it marks the pass to
// run once more when it ends, at most kMaxPasses passes in all, so the outcome is that of a
// pass that finds nothing left to change.
class SmartPlanRefreshGuard {
public:
    static constexpr int kMaxPasses = 3;

    // True when the caller should run a pass now (nothing runs); else the request is recorded.
    bool enter();
    // Called after each pass: true when another pass is due (requested meanwhile, bound not
    // reached); false ends the run and resets the guard.
    bool passFinished();
    bool running() const { return running_; }

private:
    bool running_ = false;
    bool again_ = false;
    int passes_ = 0;
};

}  // namespace tarvo::share
