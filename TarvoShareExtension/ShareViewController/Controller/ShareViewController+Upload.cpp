// The upload flow: the payload uploaded into a server's folder, followed by its post-upload
// recipe; and the remote client of a server for one send.
#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/ShareViewController/Send/ArtifactObservation.h"
#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Recipe/PostUploadRecipeLaunch.h"
#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Rules/UploadProgressRenderState.h"
#include "TarvoShareExtension/ShareViewController/ZipProgress/ZipProgressState.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/foundation/ErrorInfo.h"

namespace tarvo {

using namespace platform;

namespace {

void applyProgress(ShareViewController& c, const share::UploadProgressRenderState& state) {
    c.uploadProgressStack->hidden = false;
    c.uploadProgressView->setProgress(state.fraction, true);
    c.uploadProgressLabel->text = state.detail;
    c.statusLabel->text = state.status;
}

}  // namespace

Async<void> ShareViewController::runUpload(Draft d, ServerProfile server) {
    lastSendError.reset();
    std::optional<RemoteAPI> api = makeFileAPI(server);
    if (!api) {
        lastSendError = std::string(share::kInvalidServerURLOrTokenText);
        setBusy(false, *lastSendError);
        co_return;
    }
    const std::string folder = share::cleanedDestinationFolder(d.destFolder);
    // The items and the primary artifact are taken together, once: a scan that publishes a new
    // list while this run goes on cannot move the recipe onto another item.
    const ProviderList items = providers;
    const std::optional<std::size_t> primaryIndex = primaryArtifactProviderIndex;
    const std::size_t count = items.size();

    uploadProgressStack->hidden = false;
    uploadProgressView->setProgress(0, false);
    uploadProgressLabel->text = std::string(share::kPreparingUploadDetail);

    // Progress arrives on the engine's executor; the state is built there and applied on the
    // main queue, as long as the controller lives.
    auto enqueue = [weak = weakSelf(), &queue = env_.mainQueue](std::size_t index, std::size_t n,
                                                                std::optional<std::string> name,
                                                                std::optional<TransferProgress> progress) {
        share::UploadProgressRenderState state = share::makeUploadProgressState(
            static_cast<long long>(index), static_cast<long long>(n), name, progress);
        queue.post([weak, state = std::move(state)] {
            if (auto self = weak.lock()) applyProgress(*self, state);
        });
    };

    std::vector<std::string> errors;
    std::optional<std::string> lastRemotePath;
    std::optional<std::string> lastFilename;
    std::optional<share::PostUploadRecipeLaunch> launch;
    bool recipeStarted = false;

    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t ordinal = i + 1;
        if (co_await isCancelled()) co_return;
        setBusy(true, share::preparingItemStatus(ordinal, count));
        enqueue(i, count, std::nullopt, std::nullopt);

        // The screen shows a shared folder's zip as it goes.
        auto zipProgress = [weak = weakSelf(), &queue = env_.mainQueue, i, count](const FolderZipProgress& p) {
            share::UploadProgressRenderState state =
                share::makeZipProgressState(static_cast<long long>(i), static_cast<long long>(count), p);
            queue.post([weak, state = std::move(state)] {
                if (auto self = weak.lock()) applyProgress(*self, state);
            });
        };
        std::optional<TempItem> materialized;
        try {
            materialized = co_await materializeOffMain(items[i], std::move(zipProgress));
        } catch (const std::exception& e) {
            errors.push_back(share::uploadErrorLine(ordinal, count, describeError(e)));
            continue;
        }
        const TempItem item = std::move(*materialized);
        enqueue(i, count, item.filename, std::nullopt);

        // Named before the co_await: GCC 12 mishandles lambda temporaries inside one.
        RemoteTransfer::ProgressCallback onProgress = [enqueue, i, count, name = item.filename](
                                                          const TransferProgress& p) { enqueue(i, count, name, p); };
        std::string remotePath;
        try {
            remotePath = co_await env_.remoteTransfer.uploadLocalFileStreaming(*api, item.url, folder, item.filename,
                                                                               item.contentType, onProgress);
        } catch (const std::exception& e) {
            errors.push_back(share::uploadErrorLine(ordinal, count, describeError(e)));
            continue;
        }
        lastRemotePath = remotePath;
        lastFilename = item.filename;
        applyProgress(*this, share::uploadCompletionState(static_cast<long long>(ordinal),
                                                          static_cast<long long>(count), item.filename));

        if (d.postUploadAction != PostUploadAction::none && share::isPrimaryArtifact(i, count, primaryIndex)) {
            setBusy(true, share::startingRecipeStatus(ordinal, count));
            try {
                launch = co_await share::startSinglePostUploadRecipe(*api, server, d, remotePath, item.filename,
                                                                     postUploadRecipeContext(server));
                recipeStarted = true;
            } catch (const std::exception& e) {
                errors.push_back(share::uploadErrorLine(ordinal, count, describeError(e)));
            }
        }
    }
    if (!errors.empty()) {
        lastSendError = share::itemFailureSummary(errors);
        setBusy(false, *lastSendError);
        co_return;
    }
    // A cancelled send reports no success and leaves nothing for the app to open.
    if (co_await isCancelled()) co_return;

    if (recipeStarted) {
        const auto selected = selectedArtifactCandidates(d);
        if (share::shouldReportObservation(lastRemotePath)) {
            // The folder the file went to, "" for the server root.
            if (auto body = share::artifactObservationPayload(server, d, folder, *lastRemotePath,
                                                              lastFilename.value_or(""), artifactInsight, selected)) {
                // Best effort: the server's answer changes nothing here.
                try {
                    co_await api->recordArtifactObservation(std::move(*body));
                } catch (const std::exception&) {
                }
            }
        }
        learnFromStartedRecipe(server, d, folder, selected);
    }
    if (co_await isCancelled()) co_return;

    if (d.openOnNextLaunch) {
        const std::string path = share::uploadHandoffPath(folder, lastRemotePath);
        if (auto handoff = share::uploadLaunchHandoff(server, path)) ShareLaunchHandoff::save(*handoff, *defaults);
    }
    std::string message = share::uploadCompletionMessage(launch, d.postUploadAction);
    co_await finishSuccessfulShare(std::move(message));
}

void ShareViewController::learnFromStartedRecipe(const ServerProfile& server, const Draft& d, const std::string& folder,
                                                 const std::vector<ArtifactShellCandidate>& selected) {
    if (!smartShareMemory) return;
    const auto found = smartSharePlansByServer.find(server.id);
    const SmartShareResolvedPlan plan = found != smartSharePlansByServer.end()
                                            ? found->second
                                            : smartShareMemory->resolve(server.id, artifactInsight.projectSignature,
                                                                        share::planFallbackFolder(folder));
    std::vector<std::string> paths;
    std::vector<std::string> fingerprints;
    for (const auto& c : selected) {
        paths.push_back(c.relativePath.empty() ? c.path : c.relativePath);
        if (c.fingerprint) fingerprints.push_back(*c.fingerprint);
    }
    std::optional<std::string> firstPath;
    std::optional<std::string> firstFingerprint;
    if (!selected.empty()) {
        firstPath = selected.front().relativePath;
        firstFingerprint = selected.front().fingerprint;
    }
    // Learned as the folder the file went to: an upload to the root is learned as the root.
    smartShareMemory->learn(server.id, folder,
                            artifactInsight.projectSignature, std::string(share::rawValue(d.postUploadAction)),
                            std::string(share::rawValue(d.deployWorkingDirectory)), d.deployCustomWorkingDirectory,
                            d.deployCommand, firstPath, firstFingerprint, paths, fingerprints, plan.score,
                            plan.evidence, *defaults);
}

share::PostUploadRecipeContext ShareViewController::postUploadRecipeContext(const ServerProfile& server) const {
    share::PostUploadRecipeContext context;
    context.insight = artifactInsight;
    context.delivery = notificationDelivery(server);
    context.returnResult = returnResultSwitch->on;
    context.interactionReply = interactionReplyObject();
    return context;
}

std::optional<RemoteAPI> ShareViewController::makeFileAPI(const ServerProfile& server) const {
    if (!env_.makeFileAPI) return std::nullopt;
    return env_.makeFileAPI(server);
}

Async<TempItem> ShareViewController::materializeOffMain(ProviderPtr provider, FolderZipProgressCallback zipProgress) {
    MaterializeOptions options;
    options.fileWork = Executor(env_.backgroundQueue.executor());
    options.zipProgress = std::move(zipProgress);
    // Named, not awaited as a temporary: g++ 12 mishandles temporaries around a co_await.
    Async<TempItem> materializing = materializeToTempFile(std::move(provider), env_.temporaryDirectory, std::move(options));
    co_return co_await std::move(materializing);
}

}  // namespace tarvo
