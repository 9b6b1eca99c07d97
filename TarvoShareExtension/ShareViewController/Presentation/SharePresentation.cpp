#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"

#include <algorithm>
#include <limits>

#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/ByteCountFormatter.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

namespace {

std::string plural(std::size_t n, std::string_view word) {
    std::string out = std::to_string(n) + " " + std::string(word);
    if (n != 1) out += "s";
    return out;
}

std::string itemCountText(std::size_t n) { return n == 1 ? "1 item" : std::to_string(n) + " items"; }

// The last n characters of s (all of s when it has fewer).
std::string suffixGraphemes(std::string_view s, std::size_t n) {
    const std::size_t total = text::graphemeCount(s);
    if (total <= n) return std::string(s);
    return std::string(s.substr(text::prefixGraphemes(s, total - n).size()));
}

std::string recipeActionTitle(PostUploadAction action) {
    switch (action) {
        case PostUploadAction::none: return "Upload";
        case PostUploadAction::unzip: return "Upload + Unzip";
        case PostUploadAction::run:
        case PostUploadAction::unzipThenRun: return "Upload + Run";
    }
    return "Upload";
}

}  // namespace

std::string compactArtifactTitle(std::string_view raw, std::size_t limit) {
    const std::string s = text::trimmed(raw);
    if (s.empty()) return "Artifact";
    if (text::graphemeCount(s) <= limit) return s;
    const std::size_t half = std::max<std::size_t>(12, limit == 0 ? 0 : (limit - 1) / 2);
    return text::prefixGraphemes(s, half) + std::string(kEllipsis) + suffixGraphemes(s, half);
}

PayloadFacts payloadFacts(const ArtifactInsight& insight, std::vector<std::optional<std::string>> suggestedNames) {
    PayloadFacts p;
    p.rootFolder = insight.rootFolder;
    p.filename = insight.filename;
    p.entryCount = insight.entryCount;
    p.totalUncompressedBytes = insight.totalUncompressedBytes;
    p.suggestedNames = std::move(suggestedNames);
    return p;
}

std::string payloadDisplayTitle(const PayloadFacts& p) {
    if (p.rootFolder) {
        if (std::string root = text::trimmed(*p.rootFolder); !root.empty()) return compactArtifactTitle(root, 44);
    }
    if (std::string name = text::trimmed(p.filename); !name.empty()) return compactArtifactTitle(name, 44);
    for (const auto& suggested : p.suggestedNames) {
        if (!suggested) continue;
        if (std::string name = text::trimmed(*suggested); !name.empty()) return compactArtifactTitle(name, 44);
    }
    if (p.suggestedNames.size() == 1) return "Shared item";
    return std::to_string(p.suggestedNames.size()) + " items";
}

std::string payloadSizeLine(const PayloadFacts& p) {
    if (p.entryCount >= 1) {
        std::string size = "size unknown";
        if (p.totalUncompressedBytes != 0) {
            constexpr auto cap = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            const auto bytes = static_cast<std::int64_t>(std::min(p.totalUncompressedBytes, cap));
            size = platform::ByteCountFormatter::string(bytes, platform::ByteCountFormatter::CountStyle::file);
        }
        // "files" stays plural, also for one entry.
        return std::to_string(p.entryCount) + " files" + std::string(kPartSeparator) + size;
    }
    return itemCountText(p.suggestedNames.size());
}

std::string friendlySourceLabel(const std::optional<std::string>& sourceBundleID) {
    const std::string id = text::trimmed(sourceBundleID.value_or(""));
    if (id.empty()) return "";
    if (id.find("mobilesafari") != std::string::npos) return "Safari";
    if (id.find("com.apple.Files") != std::string::npos || id.find("FileProvider") != std::string::npos) {
        return "Files";
    }
    std::string last;
    for (const auto& piece : text::components(id, ".")) {
        if (!piece.empty()) last = piece;
    }
    if (last.empty()) return id;
    return text::replacingOccurrences(last, "-", " ");
}

std::string projectProofLine(const std::map<std::string, ArtifactRecommendationResponse>& recommendationsByServer) {
    std::int64_t succeeded = 0;
    std::int64_t failed = 0;
    for (const auto& [id, reply] : recommendationsByServer) {
        for (const auto& r : reply.recommendations) {
            succeeded += std::max<std::int64_t>(r.successfulRunCount, 0);
            failed += std::max<std::int64_t>(r.failedRunCount, 0);
        }
    }
    if (succeeded < 1 && failed < 1) return "";
    std::string out = "proof " + std::to_string(succeeded) + "\u00D7";
    if (failed != 0) out += std::string(kPartSeparator) + std::to_string(failed) + " failed";
    return out;
}

std::string joinedNonEmptyParts(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& raw : parts) {
        const std::string part = text::trimmed(raw);
        if (part.empty()) continue;
        if (!out.empty()) out += kPartSeparator;
        out += part;
    }
    return out;
}

std::string serverLabel(const std::vector<ServerProfile>& servers, std::string_view serverId,
                        const std::optional<ServerProfile>& activeServer) {
    for (const auto& s : servers) {
        if (s.id == serverId) return s.displayLabel();
    }
    if (activeServer) return activeServer->displayLabel();
    return "No server";
}

std::size_t countedSelectedServers(const std::vector<ServerProfile>& servers, const std::set<std::string>& selected) {
    std::set<std::string> counted;
    for (const auto& s : servers) {
        if (selected.count(s.id) != 0) counted.insert(s.id);
    }
    return counted.size();
}

std::string heroTitleLine(std::string_view payloadTitle, bool linked, ServerMode mode, std::string_view label,
                          std::size_t countedSelected) {
    const std::string base(payloadTitle);
    if (linked) return "Deploy" + std::string(kPartSeparator) + base;
    if (mode == ServerMode::single) return base + std::string(kArrow) + std::string(label);
    return base + std::string(kArrow) + plural(countedSelected, "server");
}

std::string actionTitle(const Draft& draft) {
    if (draft.action == ShareAction::emit) return "Send";
    return recipeActionTitle(draft.postUploadAction);
}

std::string destinationText(std::string_view destFolder, std::string_view emptyText) {
    const std::string folder = text::trimmingCharacters(text::trimmed(destFolder), "/");
    if (folder.empty()) return std::string(emptyText);
    return "/" + folder;
}

std::string firstCommandLine(std::string_view command) {
    const std::string normalized = normalizedCommand(command);
    if (normalized.empty()) return "";
    const auto lines = text::splitLines(normalized);
    return lines.empty() ? std::string() : lines.front();
}

std::optional<std::string> compactScriptSummary(const Draft& draft, const std::vector<ArtifactShellCandidate>& selected) {
    if (draft.action != ShareAction::upload || !runsCommand(draft.postUploadAction)) return std::nullopt;
    if (selected.size() >= 2) return std::to_string(selected.size()) + " scripts selected";
    if (selected.size() == 1) return candidateDisplayName(selected.front());
    const std::string line = firstCommandLine(draft.deployCommand);
    if (line.empty()) return "script not selected";
    if (text::graphemeCount(line) >= 89) return text::prefixGraphemes(line, 85) + std::string(kEllipsis);
    return line;
}

std::string compactAdvancedSummary(const Draft& draft) {
    std::string folder = "Upload folder";
    switch (draft.deployWorkingDirectory) {
        case PostUploadWorkingDirectory::uploadFolder: folder = "Upload folder"; break;
        case PostUploadWorkingDirectory::extractedFolder:
            folder = needsUnzip(draft.postUploadAction) ? "Extracted folder" : "Upload folder";
            break;
        case PostUploadWorkingDirectory::custom: folder = "Custom path"; break;
    }
    const std::string line = firstCommandLine(draft.deployCommand);
    return folder + std::string(kPartSeparator) + (line.empty() ? std::string("auto command") : compactArtifactTitle(line, 42));
}

std::vector<std::string> selectedServerLabels(const std::vector<ServerProfile>& servers,
                                              const std::set<std::string>& selected, std::size_t limit) {
    std::vector<std::string> labels;
    for (const auto& s : servers) {
        if (selected.count(s.id) != 0) labels.push_back(s.displayLabel());
    }
    if (labels.size() <= limit) return labels;
    const std::size_t rest = labels.size() - limit;
    labels.resize(limit);
    labels.push_back("+" + std::to_string(rest) + " more");
    return labels;
}

std::string dockSummaryLine(const DockFacts& f) {
    std::string out = f.payloadTitle;
    if (f.linked) return out + std::string(kPartSeparator) + "deploy exact" + std::string(kArrow) + plural(f.linkedTargetCount, "target");
    out += std::string(kPartSeparator) + f.draftActionTitle + std::string(kArrow);
    if (f.mode == ServerMode::single) return out + f.serverLabel;
    return out + plural(f.countedSelected, "server");
}

std::string dockDetailLine(const DockFacts& f) {
    if (f.linked) return "Exact targets are verified from NVK metadata.";
    if (f.mode == ServerMode::single) {
        // An emit shows the type's default kind, not the draft's own.
        const std::string script = f.scriptSummary ? *f.scriptSummary : (f.upload ? "no script" : f.defaultKind);
        return f.serverLabel + std::string(kPartSeparator) + destinationText(f.destFolder, "server root") +
               std::string(kPartSeparator) + script;
    }
    std::string joined;
    for (const auto& label : f.selectedLabels) {
        if (!joined.empty()) joined += kPartSeparator;
        joined += label;
    }
    return joined.empty() ? std::string("No server selected.") : joined;
}

std::string sendButtonTitle(const Draft& draft, bool linked, ServerMode mode, std::size_t targetCount) {
    if (linked) return "Deploy " + plural(targetCount, "target");
    const std::string base = actionTitle(draft);
    if (mode == ServerMode::multi) return base + std::string(kArrow) + std::to_string(targetCount);
    return base;
}

ServerGroups groupServers(const std::vector<ServerProfile>& servers, const std::set<std::string>& selected,
                          const std::function<bool(const ServerProfile&)>& hasRecommendation) {
    ServerGroups g;
    for (const auto& s : servers) {
        if (selected.count(s.id) != 0) {
            g.selected.push_back(s);
        } else if (hasRecommendation && hasRecommendation(s)) {
            g.recommended.push_back(s);
        } else {
            g.quiet.push_back(s);
        }
    }
    return g;
}

std::string serverContextText(const Draft& draft, bool includeScript, const std::optional<std::string>& scriptSummary,
                              std::string_view defaultKind) {
    std::string out = destinationText(draft.destFolder, "root");
    if (!includeScript) return out;
    std::string script;
    if (scriptSummary) {
        script = *scriptSummary;
    } else if (draft.action == ShareAction::upload) {
        script = "no script";
    } else {
        script = draft.kind.empty() ? std::string(defaultKind) : draft.kind;
    }
    return out + std::string(kPartSeparator) + script;
}

std::vector<std::string> serverDetailLines(const Draft& draft, const std::optional<std::string>& scriptSummary) {
    std::string recipe = draft.action == ShareAction::emit ? "Emit" : recipeActionTitle(draft.postUploadAction);
    std::string runIn = "\u2014";
    if (runsCommand(draft.postUploadAction)) {
        switch (draft.deployWorkingDirectory) {
            case PostUploadWorkingDirectory::uploadFolder: runIn = "Upload folder"; break;
            case PostUploadWorkingDirectory::extractedFolder:
                runIn = draft.postUploadAction == PostUploadAction::unzipThenRun ? "Extracted folder" : "Upload folder";
                break;
            case PostUploadWorkingDirectory::custom: runIn = "Custom path"; break;
        }
    }
    return {
        "Destination: " + destinationText(draft.destFolder, "server root"),
        "Entry: " + scriptSummary.value_or("none"),
        "Recipe: " + recipe,
        "Run in: " + runIn,
        std::string("Notify: ") + (draft.notificationPolicy.events.empty() ? "off" : "on"),
    };
}

bool runStateIsFailure(std::string_view runState) { return text::hasPrefix(runState, "Failed"); }

std::string entrySelectionLine(std::size_t selected, std::size_t total) {
    if (selected == 0) return "Entry" + std::string(kPartSeparator) + "likely picks";
    return "Entry" + std::string(kPartSeparator) + std::to_string(selected) + " selected / " + std::to_string(total);
}

std::string artifactCardTitle(const ArtifactInsight& insight) {
    std::string title;
    if (insight.rootFolder) title = text::trimmed(*insight.rootFolder);
    if (title.empty()) title = text::trimmed(insight.filename);
    return compactArtifactTitle(title, 52);
}

std::string artifactStateSubtitle(const ArtifactInsightState& state) {
    using Case = ArtifactInsightState::Case;
    switch (state.kind()) {
        case Case::unavailable:
        case Case::failed: return state.message();
        case Case::idle: return "Inspecting structure before asking for a decision.";
        case Case::scanning: return "Recognizing project shape and entry points\u2026";
        case Case::ready: return "";
    }
    return "";
}

std::string artifactScriptsLine(std::size_t total, std::size_t selected, std::size_t visible) {
    if (total == 0) return "Entry";
    const std::size_t shown = std::min(total, visible);
    const std::string ratio = std::to_string(shown) + "/" + std::to_string(total);
    if (selected == 0) return "Entry" + std::string(kPartSeparator) + "likely " + ratio;
    return "Entry" + std::string(kPartSeparator) + std::to_string(selected) + " selected" + std::string(kPartSeparator) +
           ratio + " shown";
}

std::string artifactDetailsText(const ArtifactInsight& insight) {
    std::string markers = "none";
    std::string tree = "n/a";
    std::string scripts = "n/a";
    if (const auto& sig = insight.projectSignature) {
        markers.clear();
        for (const auto& m : sig->markers) {
            if (!markers.empty()) markers += ", ";
            markers += m;
        }
        tree = text::prefixGraphemes(sig->exactDigest, 12);
        scripts = text::prefixGraphemes(sig->contentDigest, 12);
    }
    return "entries " + std::to_string(insight.entryCount) + "\n" + "root " +
           (insight.rootFolder ? *insight.rootFolder : std::string("mixed root")) + "\n" + "markers " + markers + "\n" +
           "tree " + tree + std::string(kPartSeparator) + "scripts " + scripts;
}

std::string candidateDisplayName(const ArtifactShellCandidate& candidate) {
    return candidate.relativePath.empty() ? candidate.filename : candidate.relativePath;
}

int entryGridColumnCount(const std::vector<ArtifactShellCandidate>& candidates) {
    std::size_t longest = 0;
    const std::size_t n = std::min<std::size_t>(candidates.size(), 12);
    for (std::size_t i = 0; i < n; ++i) longest = std::max(longest, text::graphemeCount(candidateDisplayName(candidates[i])));
    return longest < 27 ? 3 : 2;
}

std::string candidateChipTitle(const ArtifactShellCandidate& candidate, bool selected,
                               const std::optional<std::string>& successBadge) {
    std::string title = std::string(selected ? "\u2713" : "+") + " " + compactArtifactTitle(candidateDisplayName(candidate), 34);
    if (successBadge) title += " " + *successBadge;
    return title;
}

std::string moreEntryChipTitle(bool expanded, std::int64_t hiddenCount) {
    if (expanded) return "Compact entries";
    return "More likely entries" + std::string(kPartSeparator) + "+" + std::to_string(hiddenCount);
}

}  // namespace tarvo::share
