#include "TarvoShareExtension/ShareViewController/Smart/ArtifactInsightScan.h"

#include <set>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

namespace {

bool endsInZip(std::string_view name) { return text::hasSuffix(text::lowercased(text::trimmed(name)), ".zip"); }

ArtifactInsight emptyInsight(ArtifactInsightState state, std::string filename) {
    ArtifactInsight insight;
    insight.state = std::move(state);
    insight.filename = std::move(filename);
    return insight;
}

std::int64_t nonNegative(std::int64_t count) { return count < 0 ? 0 : count; }

}  // namespace

bool isZipItem(const TempItem& item) { return endsInZip(item.filename) || endsInZip(item.url.lastPathComponent()); }

ArtifactInsight inspectArtifact(const TempItem& item) {
    if (!isZipItem(item)) return emptyInsight(ArtifactInsightState::unavailable(std::string(kNotAZipMessage)), item.filename);

    std::vector<ArtifactArchiveEntry> entries;
    try {
        entries = listZipEntries(item.url, kInsightEntryLimit);
    } catch (const std::exception&) {
        // An archive that cannot be read is looked at as an empty one: still the zip of the share.
        entries.clear();
    }
    std::vector<std::string> paths;
    paths.reserve(entries.size());
    std::uint64_t total = 0;
    for (const auto& entry : entries) {
        paths.push_back(entry.path);
        // Sizes come from the archive; a hostile one must not wrap the sum around.
        total = entry.uncompressedSize > UINT64_MAX - total ? UINT64_MAX : total + entry.uncompressedSize;
    }

    ArtifactInsight insight;
    insight.state = ArtifactInsightState::ready();
    insight.filename = item.filename;
    insight.isZip = true;
    insight.rootFolder = singleTopLevelFolder(paths);
    insight.entryCount = static_cast<std::int64_t>(entries.size());
    insight.totalUncompressedBytes = total;
    ArtifactProjectSignature signature = ArtifactProjectSignature::make(entries);
    insight.baseShellCandidates =
        ArtifactCandidateRanker::candidates(entries, signature.markers, signature.scriptFingerprints);
    insight.shellCandidates = insight.baseShellCandidates;
    insight.projectSignature = std::move(signature);
    return insight;
}

std::optional<std::string> singleTopLevelFolder(const std::vector<std::string>& paths) {
    std::set<std::string> roots;
    bool topLevelFile = false;
    for (const auto& raw : paths) {
        const std::string path = normalizeZipEntryPath(raw);
        if (path.empty()) continue;
        std::vector<std::string> pieces;
        for (auto& piece : text::components(path, "/")) {
            if (!piece.empty()) pieces.push_back(std::move(piece));
        }
        if (pieces.size() >= 2) {
            roots.insert(pieces.front());
        } else if (pieces.size() == 1 && !text::hasSuffix(raw, "/")) {
            topLevelFile = true;
        }
    }
    if (topLevelFile || roots.size() != 1) return std::nullopt;
    return *roots.begin();
}

std::string scanningDisplayName(const std::vector<std::optional<std::string>>& suggestedNames) {
    if (suggestedNames.size() == 1) return suggestedNames.front().value_or("Shared item");
    return std::to_string(suggestedNames.size()) + " shared items";
}

ScanPublication decideScanPublication(const std::vector<ArtifactInsight>& results, std::size_t sidecarCount,
                                      const std::vector<std::string>& failures) {
    std::vector<std::size_t> runnable, zips;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (!results[i].baseShellCandidates.empty()) runnable.push_back(i);
        if (results[i].isZip) zips.push_back(i);
    }
    std::optional<std::size_t> primary;
    if (runnable.size() == 1) {
        primary = runnable.front();
    } else if (runnable.empty() && zips.size() == 1) {
        primary = zips.front();
    } else if (runnable.empty() && results.size() == 1) {
        primary = 0;
    }

    ScanPublication out;
    if (primary) {
        out.primaryIndex = primary;
        out.insight = results[*primary];
        if (results.size() >= 2 && out.insight.state.is(ArtifactInsightState::Case::ready)) {
            out.insight.filename += " \u00B7 project item " + std::to_string(*primary + 1) + "/" +
                                    std::to_string(results.size());
        }
        return out;
    }

    std::string message;
    if (runnable.size() >= 2) {
        message = kMultipleRunnableMessage;
    } else if (results.empty() && sidecarCount > 0) {
        message = kOnlySidecarMessage;
    } else if (!results.empty() || failures.empty()) {
        message = kNoSingleRunnableMessage;
    } else {
        message = failures.front();
        if (failures.size() >= 2) message += "\n" + failures[1];
    }
    const std::string label = std::to_string(results.size()) + " shared items";
    out.insight = emptyInsight(failures.empty() ? ArtifactInsightState::unavailable(std::move(message))
                                                : ArtifactInsightState::failed(std::move(message)),
                               label);
    return out;
}

std::string serverRunProofLine(const std::map<std::string, ArtifactRecommendationResponse>& recommendationsByServer) {
    std::int64_t succeeded = 0, failed = 0;
    for (const auto& [id, response] : recommendationsByServer) {
        for (const auto& r : response.recommendations) {
            succeeded = artifactSaturatingAdd(succeeded, nonNegative(r.successfulRunCount));
            failed = artifactSaturatingAdd(failed, nonNegative(r.failedRunCount));
        }
    }
    if (succeeded < 1 && failed < 1) return "";
    std::string line = "proof " + std::to_string(succeeded) + "\u00D7";
    if (failed != 0) line += " \u00B7 " + std::to_string(failed) + " failed";
    return line;
}

}  // namespace tarvo::share
