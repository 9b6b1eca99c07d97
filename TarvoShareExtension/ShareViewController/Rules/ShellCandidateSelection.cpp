#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"

#include <algorithm>
#include <unordered_set>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

namespace {

bool isSingleLine(std::string_view command) { return command.find('\n') == std::string_view::npos; }

}  // namespace

std::string scriptRunLine(const ArtifactShellCandidate& candidate) {
    return "bash " + shellQuoted("./" + candidate.filename);
}

std::string relativeFolder(std::string_view from, std::string_view to) {
    const std::vector<std::string> a = artifactPathPieces(from);
    const std::vector<std::string> b = artifactPathPieces(to);
    std::size_t common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
    std::vector<std::string> pieces(a.size() - common, "..");
    pieces.insert(pieces.end(), b.begin() + static_cast<std::ptrdiff_t>(common), b.end());
    return artifactJoinPieces(pieces);
}

std::string scriptRunLine(const ArtifactShellCandidate& candidate, std::string_view workingFolder) {
    const std::string folder = relativeFolder(workingFolder, candidate.parent);
    if (folder.empty()) return scriptRunLine(candidate);
    return "(cd -- " + shellQuoted(folder) + " && " + scriptRunLine(candidate) + ")";
}

bool lineRunsCandidate(std::string_view line, const ArtifactShellCandidate& candidate,
                       std::string_view workingFolder) {
    return normalizedCommand(scriptRunLine(candidate, workingFolder)) == line;
}

std::pair<PostUploadWorkingDirectory, std::string> workingDirectoryFor(const ArtifactShellCandidate& candidate) {
    if (candidate.parent.empty()) return {PostUploadWorkingDirectory::extractedFolder, ""};
    return {PostUploadWorkingDirectory::custom, std::string(kExtractPrefix) + candidate.parent};
}

std::string recipeCommand(const ShellCandidates& candidates) {
    if (candidates.empty()) return "";
    const std::string& workingFolder = candidates.front().parent;
    std::string out;
    for (const auto& candidate : candidates) {
        if (!out.empty()) out += '\n';
        out += scriptRunLine(candidate, workingFolder);
    }
    return out;
}

std::optional<std::string> recipeFolderInArchive(const Draft& draft) {
    switch (draft.deployWorkingDirectory) {
        case PostUploadWorkingDirectory::extractedFolder:
            return std::string();
        case PostUploadWorkingDirectory::custom: {
            const std::string custom = normalizeWorkingDirectoryPath(draft.deployCustomWorkingDirectory);
            if (!text::hasPrefix(custom, kExtractPrefix)) return std::nullopt;
            return custom.substr(kExtractPrefix.size());
        }
        case PostUploadWorkingDirectory::uploadFolder:
            return std::nullopt;
    }
    return std::nullopt;
}

bool candidateFitsWorkingDirectory(const ArtifactShellCandidate& candidate, const Draft& draft) {
    if (candidate.parent.empty()) return draft.deployWorkingDirectory == PostUploadWorkingDirectory::extractedFolder;
    return draft.deployWorkingDirectory == PostUploadWorkingDirectory::custom &&
           normalizeWorkingDirectoryPath(draft.deployCustomWorkingDirectory) ==
               normalizeWorkingDirectoryPath(std::string(kExtractPrefix) + candidate.parent);
}

namespace {

// The one-line command runs the candidate from the draft's working directory: by its run line
// where the candidate lies, or by the (cd -- ...) line from elsewhere in the archive.
bool commandLineRunsCandidate(const std::string& line, const ArtifactShellCandidate& candidate, const Draft& draft) {
    if (normalizedCommand(scriptRunLine(candidate)) == line && candidateFitsWorkingDirectory(candidate, draft)) {
        return true;
    }
    const std::optional<std::string> folder = recipeFolderInArchive(draft);
    return folder && !relativeFolder(*folder, candidate.parent).empty() &&
           lineRunsCandidate(line, candidate, *folder);
}

}  // namespace

ShellCandidates selectedArtifactCandidates(const Draft& draft, const ShellCandidates& shellCandidates) {
    ShellCandidates out;
    const std::vector<std::string> paths = normalizedScriptPathList(draft.selectedScriptPaths);
    if (!paths.empty()) {
        for (const auto& path : paths) {
            auto match = std::find_if(shellCandidates.begin(), shellCandidates.end(), [&](const auto& c) {
                return artifactEqualsIgnoringCase(c.path, path) || artifactEqualsIgnoringCase(c.relativePath, path);
            });
            if (match != shellCandidates.end()) out.push_back(*match);
        }
        return out;
    }
    const std::string command = normalizedCommand(draft.deployCommand);
    if (command.empty() || !isSingleLine(command)) return out;
    for (const auto& candidate : shellCandidates) {
        if (commandLineRunsCandidate(command, candidate, draft)) out.push_back(candidate);
    }
    return out;
}

CandidateSelector::CandidateSelector(const ShellCandidates& shellCandidates) : candidates_(shellCandidates) {
    firstByFoldedPath_.reserve(candidates_.size() * 2);
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        firstByFoldedPath_.emplace(text::caseFolded(candidates_[i].path), i);
        firstByFoldedPath_.emplace(text::caseFolded(candidates_[i].relativePath), i);
    }
}

ShellCandidates CandidateSelector::select(const Draft& draft) const {
    const std::vector<std::string> paths = normalizedScriptPathList(draft.selectedScriptPaths);
    if (!paths.empty()) {
        ShellCandidates out;
        for (const auto& path : paths) {
            auto found = firstByFoldedPath_.find(text::caseFolded(path));
            if (found != firstByFoldedPath_.end()) out.push_back(candidates_[found->second]);
        }
        return out;
    }
    std::string command = normalizedCommand(draft.deployCommand);
    if (command.empty() || !isSingleLine(command)) return {};
    CommandKey key{std::move(command), draft.deployWorkingDirectory, draft.deployCustomWorkingDirectory};
    auto known = byCommand_.find(key);
    if (known == byCommand_.end()) {
        // The selector lives as long as its candidates, and a command typed is a new one at
        // every keystroke: what is remembered stays bounded.
        if (byCommand_.size() >= 4096) byCommand_.clear();
        known = byCommand_.emplace(std::move(key), selectedArtifactCandidates(draft, candidates_)).first;
    }
    return known->second;
}

bool isShellCandidateSelected(const ArtifactShellCandidate& candidate, const Draft& draft) {
    if (draft.postUploadAction != PostUploadAction::unzipThenRun) return false;
    const std::vector<std::string> paths = normalizedScriptPathList(draft.selectedScriptPaths);
    if (!paths.empty()) {
        return std::any_of(paths.begin(), paths.end(),
                           [&](const std::string& p) { return artifactEqualsIgnoringCase(p, candidate.path); });
    }
    const std::string command = normalizedCommand(draft.deployCommand);
    return !command.empty() && isSingleLine(command) && commandLineRunsCandidate(command, candidate, draft);
}

ShellCandidates visibleEntryRailCandidates(const Draft& draft, const ShellCandidates& shellCandidates,
                                           bool expanded) {
    ShellCandidates rail;
    if (shellCandidates.empty()) return rail;
    std::unordered_set<std::string> onRail;
    for (const auto& candidate : selectedArtifactCandidates(draft, shellCandidates)) {
        if (onRail.insert(artifactLowercased(candidate.path)).second) rail.push_back(candidate);
    }
    std::size_t limit = 0;
    if (expanded) {
        limit = 18;
    } else if (rail.size() < 3) {
        limit = std::min<std::size_t>(shellCandidates.size(), 9);
    } else {
        limit = rail.size() + 3;
    }
    for (const auto& candidate : shellCandidates) {
        if (rail.size() >= limit) break;
        if (onRail.insert(artifactLowercased(candidate.path)).second) rail.push_back(candidate);
    }
    return rail;
}

std::vector<std::string> candidatePaths(const ShellCandidates& candidates) {
    std::vector<std::string> out;
    out.reserve(candidates.size());
    for (const auto& c : candidates) out.push_back(c.path);
    return out;
}

std::vector<std::string> candidateFingerprints(const ShellCandidates& candidates) {
    std::vector<std::string> out;
    for (const auto& c : candidates) {
        if (c.fingerprint) out.push_back(*c.fingerprint);
    }
    return out;
}

std::vector<std::string> orderedScriptPaths(const std::vector<std::string>& paths,
                                            const ShellCandidates& shellCandidates) {
    const std::vector<std::string> normalized = normalizedScriptPathList(paths);
    std::unordered_set<std::string> wanted;
    for (const auto& p : normalized) wanted.insert(artifactLowercased(p));

    std::vector<std::string> out;
    std::unordered_set<std::string> known;
    for (const auto& candidate : shellCandidates) {
        std::string lower = artifactLowercased(candidate.path);
        if (wanted.count(lower) != 0) {
            out.push_back(candidate.path);
            known.insert(std::move(lower));
        }
    }
    for (const auto& p : normalized) {
        if (known.count(artifactLowercased(p)) == 0) out.push_back(p);
    }
    return out;
}

Draft draftTogglingShellCandidate(const Draft& snapshot, const ArtifactShellCandidate& candidate,
                                  const ShellCandidates& shellCandidates) {
    std::vector<std::string> paths = normalizedScriptPathList(snapshot.selectedScriptPaths);
    if (paths.empty()) {
        const ShellCandidates byCommand = selectedArtifactCandidates(snapshot, shellCandidates);
        if (!byCommand.empty()) paths.push_back(byCommand.front().path);
    }
    auto listed = std::find_if(paths.begin(), paths.end(),
                               [&](const std::string& p) { return artifactEqualsIgnoringCase(p, candidate.path); });
    if (listed != paths.end()) {
        paths.erase(listed);
    } else {
        paths.push_back(candidate.path);
    }
    paths = orderedScriptPaths(paths, shellCandidates);

    Draft next = snapshot;
    next.action = ShareAction::upload;
    next.selectedScriptPaths = paths;
    // With no path left the command of the snapshot must not bring a script back: removing the
    // last chip always turns the scripts off.
    const ShellCandidates selected = paths.empty() ? ShellCandidates{} : selectedArtifactCandidates(next, shellCandidates);
    if (selected.empty()) {
        next.postUploadAction = PostUploadAction::unzip;
        next.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
        next.deployCustomWorkingDirectory = "";
        next.deployCommand = "";
    } else {
        next.postUploadAction = PostUploadAction::unzipThenRun;
        std::tie(next.deployWorkingDirectory, next.deployCustomWorkingDirectory) = workingDirectoryFor(selected.front());
        next.deployCommand = recipeCommand(selected);
    }
    return next;
}

}  // namespace tarvo::share
