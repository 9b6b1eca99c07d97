// The insight scan of the shared items: each item becomes a file, is inspected off the main
// queue, and the scan publishes which item is the project package while it is still the
// latest one.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/ShareViewController/Smart/ArtifactInsightScan.h"
#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "platform/concurrency/Concurrency.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

using namespace platform;

void ShareViewController::scheduleArtifactPreviewScanIfNeeded() {
    // Everything derived from the previous payload goes; a newer scan also silences an older one.
    cancelAndClear(artifactPreviewTask);
    cancelAndClear(artifactRecommendationTask);
    smartSharePlan.reset();
    smartSharePlansByServer.clear();
    resolvedDraftsByServer.clear();
    serverRecommendationsByServer.clear();
    serverRecommendationRequestKeys.clear();
    artifactAutoSelectedDigestByServer.clear();
    autoAppliedRecipeServerIDs.clear();
    manuallyEditedRecipeServerIDs.clear();
    automaticConfigurationAppliedDigest.reset();
    primaryArtifactProviderIndex.reset();
    userTouchedRecipe = false;
    if (providers.empty()) {
        artifactInsight = ArtifactInsight{};
        artifactInsight.state = ArtifactInsightState::unavailable(std::string(share::kNoSharedItemsMessage));
        updateArtifactInsightCard(true);
        return;
    }
    artifactScanGeneration = makeUUIDString();
    std::vector<std::optional<std::string>> names;
    for (const auto& provider : providers) names.push_back(provider->suggestedName());
    artifactInsight = ArtifactInsight{};
    artifactInsight.state = ArtifactInsightState::scanning();
    artifactInsight.filename = share::scanningDisplayName(names);
    updateArtifactInsightCard(true);
    replaceTask(artifactPreviewTask,
                startTask(mainExecutor(), weakSelf(),
                          [generation = artifactScanGeneration](std::shared_ptr<ShareViewController> self) -> Async<void> {
                              co_await self->runArtifactPreviewScan(generation);
                          }));
}

Async<void> ShareViewController::runArtifactPreviewScan(std::string generation) {
    const ProviderList snapshot = providers;
    ProviderList inspected;
    std::vector<ArtifactInsight> results;
    std::vector<DecodedNVKSidecar> sidecars;
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        if (co_await isCancelled()) co_return;
        std::optional<TempItem> item;
        try {
            item.emplace(co_await materializeOffMain(snapshot[i]));
        } catch (const CancellationError&) {
            co_return;
        } catch (const std::exception& e) {
            failures.push_back(std::to_string(i + 1) + ": " + describeError(e));
            continue;
        }
        if (auto ticket = decodeNVKSidecar(*item)) {
            sidecars.push_back(std::move(*ticket));
            continue;
        }
        // Listing a large archive is file work: it stays off the main queue.
        auto inspect = [item = *item]() -> Async<ArtifactInsight> { co_return share::inspectArtifact(item); };
        ArtifactInsight insight = co_await runOn(env_.backgroundQueue.executor(), std::move(inspect));
        inspected.push_back(snapshot[i]);
        results.push_back(std::move(insight));
    }
    if (co_await isCancelled() || artifactScanGeneration != generation) co_return;

    providers = inspected;
    typeKey = fileTypeKey(providers);
    biasKey = makeBiasKey(typeKey, sourceBundleID);
    for (const auto& ticket : sidecars) applyNVKSidecar(ticket);

    share::ScanPublication publication = share::decideScanPublication(results, sidecars.size(), failures);
    if (publication.primaryIndex) primaryArtifactProviderIndex = publication.primaryIndex;
    artifactInsight = std::move(publication.insight);
    clearStaleRecipeIfNeeded();
    updateArtifactInsightCard(true);
    refreshDerivedUI();
    if (publication.primaryIndex) scheduleArtifactRecommendationRefresh();
    // The project's plans are resolved off the main queue right away; the plan refresh applies
    // them when they are ready.
    if (artifactInsight.state.is(ArtifactInsightState::Case::ready)) startSmartPlanResolution();
}

void ShareViewController::clearStaleRecipeIfNeeded() {
    auto cleared = share::staleRecipeCleared(draft, artifactInsight, userTouchedRecipe);
    if (!cleared) return;
    draft = std::move(*cleared);
    customWorkingDirectoryField->text.clear();
    deployCommandTextView->text.clear();
    persistGlobalDraft(draft);
    updatePostUploadMenu();
    updateWorkingDirectoryMenu();
    updateNotificationUI();
    refreshDerivedUI();
}

std::string ShareViewController::projectProofLine() const {
    return share::serverRunProofLine(serverRecommendationsByServer);
}

}  // namespace tarvo
