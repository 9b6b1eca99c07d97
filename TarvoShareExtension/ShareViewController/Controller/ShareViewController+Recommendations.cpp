// The servers' recommendations for the shared project and the destination folders they suggest.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"

#include <algorithm>

#include "TarvoShareExtension/ShareViewController/Smart/ArtifactRecommendationRefresh.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Smart/RecipeEvidence.h"
#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "platform/uikit/UIMenu.h"
#include "platform/concurrency/Concurrency.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using namespace platform;
namespace text = platform::text;

namespace {

// One server to ask: its client, the folder its draft goes to and the key of that question.
struct RecommendationRequest {
    ServerProfile server;
    RemoteAPI api;
    std::string destination;
    std::string key;
};

// What came back from one server; no response when the request failed.
struct RecommendationResult {
    ServerProfile server;
    std::string key;
    std::optional<ArtifactRecommendationResponse> response;
};

// Asks one server; a failed or unbelievable reply is dropped without a word.
Async<RecommendationResult> askServer(RecommendationRequest request, ArtifactProjectSignature signature,
                                      std::vector<ArtifactShellCandidate> candidates) {
    RecommendationResult result{request.server, request.key, std::nullopt};
    try {
        ArtifactRecommendationResponse reply =
            co_await request.api.artifactRecommendations(signature, candidates, request.destination);
        if (share::isBelievableRecommendationReply(reply)) result.response = std::move(reply);
    } catch (const std::exception&) {
        result.response.reset();
    }
    co_return result;
}

Async<void> runRecommendationRefresh(std::weak_ptr<ShareViewController> weak, std::vector<RecommendationRequest> requests,
                                     ArtifactProjectSignature signature, std::vector<ArtifactShellCandidate> candidates,
                                     Executor network) {
    if (weak.expired()) co_return;
    try {
        co_await sleepFor(std::chrono::milliseconds(share::kRecommendationDelayMilliseconds));
    } catch (const CancellationError&) {
        co_return;
    }
    if (co_await isCancelled()) co_return;
    auto consume = [&](TaskGroup<RecommendationResult>& group) -> Async<void> {
        for (const auto& request : requests) {
            auto child = [request, signature, candidates]() -> Async<RecommendationResult> {
                return askServer(request, signature, candidates);
            };
            group.addTask(std::move(child));
        }
        while (true) {
            std::optional<RecommendationResult> result = co_await group.next();
            if (!result) break;
            if (co_await isCancelled()) co_return;
            if (!result->response) continue;
            auto self = weak.lock();
            if (!self) co_return;
            self->applyArtifactRecommendation(*result->response, result->server, signature, result->key);
        }
    };
    co_await withTaskGroup<RecommendationResult>(network, std::move(consume));
}

}  // namespace

void ShareViewController::scheduleArtifactRecommendationRefresh() {
    if (!artifactInsight.projectSignature || artifactInsight.baseShellCandidates.empty()) return;
    const ArtifactProjectSignature signature = *artifactInsight.projectSignature;
    const std::vector<ServerProfile> ordered =
        share::recommendationServerOrder(servers, draft.serverId, selectedServerIDs);
    std::vector<RecommendationRequest> requests;
    for (const auto& [id, serverDraft] : recommendationDraftsByServer(ordered)) {
        const ServerProfile* server = share::findServer(ordered, id);
        if (!server) continue;
        const std::string key = share::recommendationRequestKey(signature, serverDraft.destFolder);
        auto known = serverRecommendationRequestKeys.find(id);
        if (known != serverRecommendationRequestKeys.end() && known->second == key &&
            serverRecommendationsByServer.count(id) != 0) {
            continue;
        }
        std::optional<RemoteAPI> api = makeFileAPI(*server);
        if (!api) continue;
        requests.push_back({*server, std::move(*api), share::recommendationDestination(serverDraft.destFolder), key});
    }

    if (requests.empty()) {
        auto stored = serverRecommendationsByServer.find(draft.serverId);
        if (stored == serverRecommendationsByServer.end()) return;
        artifactInsight.recommendation = stored->second;
        artifactInsight.shellCandidates = ArtifactCandidateRanker::merge(artifactInsight.baseShellCandidates, stored->second);
        updateArtifactInsightCard(true);
        return;
    }
    replaceTask(artifactRecommendationTask,
                startTask(mainExecutor(), [weak = weakSelf(), requests = std::move(requests), signature,
                                           candidates = artifactInsight.baseShellCandidates,
                                           network = Executor(env_.backgroundQueue.executor())]() mutable {
                    return runRecommendationRefresh(std::move(weak), std::move(requests), std::move(signature),
                                                    std::move(candidates), std::move(network));
                }));
}

void ShareViewController::applyArtifactRecommendation(const ArtifactRecommendationResponse& response,
                                                      const ServerProfile& server,
                                                      const ArtifactProjectSignature& signature,
                                                      const std::string& requestKey) {
    // A reply about an earlier payload is not about this one.
    if (!artifactInsight.projectSignature || artifactInsight.projectSignature->exactDigest != signature.exactDigest) {
        return;
    }
    serverRecommendationsByServer[server.id] = response;
    serverRecommendationRequestKeys[server.id] = requestKey;
    const bool current = server.id == draft.serverId;
    if (current) {
        artifactInsight.recommendation = response;
        artifactInsight.shellCandidates = ArtifactCandidateRanker::merge(artifactInsight.baseShellCandidates, response);
    }

    auto alreadySelected = artifactAutoSelectedDigestByServer.find(server.id);
    const bool skip = (alreadySelected != artifactAutoSelectedDigestByServer.end() &&
                       alreadySelected->second == signature.exactDigest) ||
                      manuallyEditedRecipeServerIDs.count(server.id) != 0;
    std::optional<Draft> rewritten;
    if (!skip) {
        const Draft d = workingDraft(server, draft);
        auto runsAfterUnzip = [&](const Draft& x) {
            return x.action == ShareAction::upload && x.postUploadAction == PostUploadAction::unzipThenRun;
        };
        std::optional<SmartShareResolvedPlan> plan;
        if (auto p = smartSharePlansByServer.find(server.id); p != smartSharePlansByServer.end()) plan = p->second;
        const share::ShellCandidates set =
            share::authoritativeAutomaticScriptSet(response, plan, artifactInsight.baseShellCandidates);
        const share::ShellCandidates selected = selectedArtifactCandidates(d);
        if (set.size() >= 2) {
            auto lower = [](const share::ShellCandidates& list) {
                std::vector<std::string> out;
                for (const auto& c : list) out.push_back(text::lowercased(c.path));
                return out;
            };
            if (!(runsAfterUnzip(d) && lower(set) == lower(selected))) {
                rewritten = share::draftBySelecting(set, d, server.id);
            }
        } else if (auto c = share::authoritativeAutomaticCandidate(response, artifactInsight.baseShellCandidates)) {
            std::int64_t runs = 0;
            if (!selected.empty()) {
                if (const auto* r = share::recommendationFor(response, selected.front())) runs = r->successfulRunCount;
            }
            const bool sameScript = !selected.empty() && text::equalsIgnoringCase(selected.front().path, c->path);
            if (!(runsAfterUnzip(d) && sameScript) && !(!selected.empty() && runs != 0)) {
                rewritten = share::draftBySelecting({*c}, d, server.id);
            }
        }
    }
    if (rewritten) {
        resolvedDraftsByServer[server.id] = *rewritten;
        autoAppliedRecipeServerIDs.insert(server.id);
        artifactAutoSelectedDigestByServer[server.id] = signature.exactDigest;
        if (current) {
            draft = *rewritten;
            applyRecipeFieldsToCurrentUI(draft);
        }
    }
    if (current) {
        updateArtifactInsightCard(true);
        rebuildDestinationSuggestions();
    }
    rebuildMultiServerStack();
}

void ShareViewController::rebuildDestinationSuggestions() {
    destinationSuggestionsStack->removeAllArrangedSubviews();
    const std::string current = share::recommendationDestination(destFolderField->text);
    std::vector<ArtifactDestinationRecommendation> offered;
    if (artifactInsight.recommendation && artifactInsight.recommendation->destinations) {
        offered = share::destinationSuggestions(*artifactInsight.recommendation->destinations, current);
    }
    if (offered.empty()) {
        destinationSuggestionsStack->hidden = true;
        return;
    }
    destinationSuggestionsStack->hidden = false;
    const ArtifactDestinationRecommendation& first = offered.front();
    const std::string path = share::recommendationDestination(first.path);
    auto button = UIButton::make(UIButton::ButtonType::system);
    button->role = std::string(share::roles::destinationSuggestionButton);
    auto configuration = UIButtonConfiguration::tinted();
    configuration.title = share::destinationSuggestionTitle(path);
    configuration.subtitle = first.evidence.empty() ? std::string() : first.evidence.front();
    configuration.image = "folder.badge.clock";
    configuration.imagePlacement = UIButtonConfiguration::ImagePlacement::leading;
    configuration.imagePadding = 8;
    configuration.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    configuration.contentInsets = UIEdgeInsets{6, 10, 6, 10};
    button->configuration = configuration;
    button->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::fill;
    std::weak_ptr<ShareViewController> weak = weakSelf();
    button->addAction(UIAction::make(configuration.title.value_or(""),
                                     [weak, path] {
                                         auto self = weak.lock();
                                         if (!self) return;
                                         self->destFolderField->text = path;
                                         self->draftFieldChanged();
                                         self->rebuildDestinationSuggestions();
                                         self->scheduleArtifactRecommendationRefresh();
                                     }),
                      UIControlEvents::touchUpInside);
    destinationSuggestionsStack->addArrangedSubview(button);
}

}  // namespace tarvo
