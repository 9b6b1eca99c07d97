#pragma once
// Which shell-script candidates of the shared project a draft runs, how a chosen set of them is
// written as the recipe's command, the chips of the insight card's entry rail, and what a tap
// on a chip makes of the draft. Pure functions over the draft and the insight's candidates;
// the controller keeps the state and refreshes the screen.
//
// A recipe runs in the folder of its first script. Every script there is run by its run line,
// bash './<name>'. A script in another folder is run from the working folder by
//     (cd -- '<its folder, relative to the working folder>' && bash './<name>')
// so one recipe can run scripts of several folders; the subshell leaves the working folder as
// it was for the next line. Both forms are recognised as that script's line wherever commands
// are matched against candidates.
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <string_view>
#include <utility>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"

namespace tarvo::share {

// How a custom working directory inside the extracted archive starts.
inline constexpr std::string_view kExtractPrefix = "{extract}/";

using ShellCandidates = std::vector<ArtifactShellCandidate>;

// "bash " and the shell-quoted "./" + filename: bash './deploy.sh'.
std::string scriptRunLine(const ArtifactShellCandidate& candidate);

// The folder path from one folder of the extracted archive to another ("" when they are the
// same; ".." pieces to climb out). Both are "/"-separated paths inside the archive.
std::string relativeFolder(std::string_view from, std::string_view to);

// The line that runs the candidate from the working folder `workingFolder` (a folder inside the
// extracted archive): its run line there, else the (cd -- ... && ...) form.
std::string scriptRunLine(const ArtifactShellCandidate& candidate, std::string_view workingFolder);

// True when the line (already normalised) is the line that runs the candidate from
// workingFolder, in either form.
bool lineRunsCandidate(std::string_view line, const ArtifactShellCandidate& candidate,
                       std::string_view workingFolder);

// The working directory a recipe whose first script is `candidate` runs in: extractedFolder
// with no custom directory for a script at the archive's root, else custom
// "{extract}/<parent>".
std::pair<PostUploadWorkingDirectory, std::string> workingDirectoryFor(const ArtifactShellCandidate& candidate);

// The command that runs the candidates in order from the first one's folder, one line each,
// joined with "\n" (empty for no candidates).
std::string recipeCommand(const ShellCandidates& candidates);

// The folder inside the extracted archive where the draft's recipe runs: "" for
// extractedFolder, <folder> for a custom directory "{extract}/<folder>"; nothing for the upload
// folder or a custom directory outside the archive.
std::optional<std::string> recipeFolderInArchive(const Draft& draft);

// Whether the draft's working directory is the one that runs the candidate by its plain run
// line: extractedFolder for a root script, else custom with "{extract}/<parent>" (both sides
// through normalizeWorkingDirectoryPath).
bool candidateFitsWorkingDirectory(const ArtifactShellCandidate& candidate, const Draft& draft);

// The candidates the draft selects, in order. By its normalised script paths when it has any
// (each path: the first candidate whose path or relative path equals it ignoring case; paths
// without one add nothing); else by its command, which must be a single line: every candidate,
// in candidate order, that the line runs from the draft's working directory. A command of
// several lines selects nothing by this route.
ShellCandidates selectedArtifactCandidates(const Draft& draft, const ShellCandidates& shellCandidates);

// selectedArtifactCandidates for many drafts over one list of candidates, as the server rows and
// the mood ask it for every server: the list is indexed once by its folded paths, so a draft
// costs the length of its own script list, and drafts with the same one-line command share one
// answer. The list must outlive the selector and stay unchanged while it is in use.
class CandidateSelector {
public:
    explicit CandidateSelector(const ShellCandidates& shellCandidates);
    ShellCandidates select(const Draft& draft) const;

private:
    const ShellCandidates& candidates_;
    // A folded path or relative path, to the first candidate spelled so.
    std::unordered_map<std::string, std::size_t> firstByFoldedPath_;
    // A normalised one-line command with the working directory it runs from.
    struct CommandKey {
        std::string command;
        PostUploadWorkingDirectory workingDirectory;
        std::string customWorkingDirectory;
        bool operator<(const CommandKey& o) const {
            return std::tie(command, workingDirectory, customWorkingDirectory) <
                   std::tie(o.command, o.workingDirectory, o.customWorkingDirectory);
        }
    };
    mutable std::map<CommandKey, ShellCandidates> byCommand_;
};

// Whether a chip shows as selected: only for unzipThenRun; by path (ignoring case) when the
// draft lists paths, else when the draft's one-line command runs the candidate.
bool isShellCandidateSelected(const ArtifactShellCandidate& candidate, const Draft& draft);

// The chips of the entry rail: the selected candidates (each path once), then unselected ones
// in candidate order up to the limit (18 expanded; else at most 9 while fewer than 3 are
// selected; else the selected count plus 3). Selected ones are always all shown.
ShellCandidates visibleEntryRailCandidates(const Draft& draft, const ShellCandidates& shellCandidates,
                                           bool expanded);

// The paths of the candidates, in order; their fingerprints, in order, skipping absent ones.
std::vector<std::string> candidatePaths(const ShellCandidates& candidates);
std::vector<std::string> candidateFingerprints(const ShellCandidates& candidates);

// The normalised paths reordered: first the candidates' paths (in candidate order, spelled as
// the candidates spell them) that are among them ignoring case, then the rest as given.
std::vector<std::string> orderedScriptPaths(const std::vector<std::string>& paths,
                                            const ShellCandidates& shellCandidates);

// A tap on a chip: the snapshot of the screen's draft with the candidate's path toggled in its
// script list (a draft that selects by its command starts from that script), the list ordered,
// and the recipe derived from what remains selected: unzip then run from the first script's
// folder, or, with nothing selected (the last script removed included), unzip into the
// extracted folder with no command. The action becomes upload.
Draft draftTogglingShellCandidate(const Draft& snapshot, const ArtifactShellCandidate& candidate,
                                  const ShellCandidates& shellCandidates);

}  // namespace tarvo::share
