#pragma once
// What the insight scan makes of the shared items: the insight of one materialised item, the
// archive's single top-level folder, which item is the one project package a script may run
// against (and what the screen says when there is none), and the proof line of the servers' run
// history. Pure functions; the controller runs the scan and publishes what these decide.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "TarvoShareExtension/Intake/TempItem.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"

namespace tarvo::share {

// At most this many file entries of an archive are listed.
inline constexpr std::size_t kInsightEntryLimit = 4000;

inline constexpr std::string_view kNotAZipMessage =
    "This item is not a zip package. Upload can continue; run commands are manual.";
inline constexpr std::string_view kMultipleRunnableMessage =
    "Multiple runnable packages were shared. Choose one project package per share so a script can never execute "
    "against the wrong artifact.";
inline constexpr std::string_view kNoSingleRunnableMessage =
    "No single runnable package could be identified. Upload remains available, but Tarvo will not inherit or guess "
    "a script.";
inline constexpr std::string_view kOnlySidecarMessage = "The share contained NVK delivery metadata but no artifact to upload.";
inline constexpr std::string_view kNoSharedItemsMessage = "No shared items.";

// Whether the item is a zip archive by its name (".zip" in any case), or failing that by its
// file's name.
bool isZipItem(const TempItem& item);

// The complete insight of one item: ready with its listing, signature and ranked candidates for
// a zip (an archive that cannot be read counts as empty), unavailable for anything else. Never
// fails. Reads the archive's central directory, so callers keep it off the main queue.
ArtifactInsight inspectArtifact(const TempItem& item);

// The one folder every listed path lies in (case-sensitive); nothing when a file lies at the
// top, the paths start in different folders, or there are none. A top-level directory record
// ("app/") is not a top-level file.
std::optional<std::string> singleTopLevelFolder(const std::vector<std::string>& paths);

// The label of a scan in progress: the one item's suggested name ("Shared item" without one),
// or "<n> shared items".
std::string scanningDisplayName(const std::vector<std::optional<std::string>>& suggestedNames);

// What a finished scan publishes.
struct ScanPublication {
    std::optional<std::size_t> primaryIndex;  // index among the inspected items
    ArtifactInsight insight;                  // the primary's (labelled), or the message insight
};

// results: the insights of the inspected items, in provider order; sidecarCount: the tickets
// found among the items; failures: one line per item that could not be materialised.
ScanPublication decideScanPublication(const std::vector<ArtifactInsight>& results, std::size_t sidecarCount,
                                      const std::vector<std::string>& failures);

// "proof <S>×", or "proof <S>× · <F> failed" once something failed, over every recommendation
// of every server (negative counts as 0); "" when nothing ran.
std::string serverRunProofLine(const std::map<std::string, ArtifactRecommendationResponse>& recommendationsByServer);

}  // namespace tarvo::share
