#pragma once
// What the share rule tests share: candidates spelled the way the ranker makes them, and
// running a shell line with bash from a folder.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Json.h"
#include "tests/support/Process.h"

namespace share_test {

// A candidate for the archive path `path` (root folder included), with its relative path
// (the root removed) and optional fingerprint.
inline tarvo::ArtifactShellCandidate candidate(const std::string& path, const std::string& relativePath = "",
                                               std::optional<std::string> fingerprint = std::nullopt) {
    tarvo::ArtifactShellCandidate c;
    c.path = path;
    const auto slash = path.rfind('/');
    c.parent = slash == std::string::npos ? "" : path.substr(0, slash);
    c.filename = slash == std::string::npos ? path : path.substr(slash + 1);
    c.relativePath = relativePath.empty() ? path : relativePath;
    c.depth = 1;
    c.fingerprint = std::move(fingerprint);
    return c;
}

// A draft that uploads to the folder on the server, with the recipe.
inline tarvo::share::Draft uploadDraft(std::string server, std::string folder,
                                       tarvo::share::PostUploadAction recipe = tarvo::share::PostUploadAction::none) {
    tarvo::share::Draft d;
    d.serverId = std::move(server);
    d.action = tarvo::share::ShareAction::upload;
    d.destFolder = std::move(folder);
    d.postUploadAction = recipe;
    return d;
}

// The insight as a project archive's scan leaves it: ready, 40 entries under "project" and twelve
// scripts s0.sh to s11.sh, more than the entry rail shows at once.
inline void readyWithTwelveScripts(tarvo::share::ArtifactInsight& insight) {
    insight.state = tarvo::share::ArtifactInsightState::ready();
    insight.entryCount = 40;
    insight.rootFolder = "project";
    for (int i = 0; i < 12; ++i) {
        const std::string name = "s" + std::to_string(i) + ".sh";
        insight.shellCandidates.push_back(candidate("project/" + name, name));
    }
    insight.baseShellCandidates = insight.shellCandidates;
}

// The value with its objects' keys in no particular order: for comparing JSON whose key order
// carries no meaning.
inline nlohmann::json unordered(const platform::Json& value) { return nlohmann::json::parse(value.dump()); }

inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

// Runs the shell line with bash from the folder `cwd`, as the server runs a recipe.
inline tarvo_test::ProcessResult runShellLine(const std::string& line, const std::filesystem::path& cwd) {
    return tarvo_test::runProgram("bash", {"-c", "cd -- \"$1\" && exec bash -c \"$2\"", "bash", cwd.string(), line});
}

}  // namespace share_test
