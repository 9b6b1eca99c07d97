// The smart-share plan: the remembered preset of the project for each server, its card and
// applying it, and saving the current configuration as the project's automatic one.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Smart/ProjectServerChoices.h"
#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "TarvoShareExtension/ShareViewController/Smart/SmartSharePlan.h"
#include "platform/concurrency/Concurrency.h"
#include "platform/uikit/UIFeedbackGenerator.h"
#include "platform/uikit/UIViewAnimator.h"

namespace tarvo {

using namespace platform;

void ShareViewController::refreshSmartSharePlan(bool autoApply) {
    // The derived refresh a pass ends with asks for the plan again; that request runs as one more
    // pass after this one, never nested inside it.
    if (!smartPlanRefreshGuard_.enter()) return;
    ServerStackBatch batch(*this);
    try {
        do {
            refreshSmartSharePlanPass(autoApply);
        } while (smartPlanRefreshGuard_.passFinished());
    } catch (...) {
        smartPlanRefreshGuard_ = share::SmartPlanRefreshGuard{};
        throw;
    }
}

void ShareViewController::refreshSmartSharePlanPass(bool autoApply) {
    if (!artifactInsight.state.is(ArtifactInsightState::Case::ready)) {
        smartSharePlan.reset();
        smartSharePlansByServer.clear();
        updateSmartSharePlanCard();
        return;
    }
    if (!smartPlanResolutionIsCurrent()) {
        // Resolving reads every remembered preset: it runs off the main queue, and this refresh
        // runs again when it is done.
        startSmartPlanResolution();
        return;
    }
    const std::shared_ptr<const share::SmartPlanResolution> held = smartPlanResolution_;
    const share::SmartPlanResolution& resolution = *held;
    // The project's remembered choices may change the mode, the selection or the server below;
    // the screen then gets the redraw the person's own change would have given it.
    const ServerMode modeBefore = serverMode;
    const MultiDispatchMode dispatchBefore = multiDispatchMode;
    const std::set<std::string> selectionBefore = selectedServerIDs;
    const std::string serverBefore = draft.serverId;
    applyRememberedAutomaticConfigurationIfNeeded();
    const bool hasAutomaticConfiguration = resolution.automaticConfiguration.has_value();

    const std::string notedServerID = draft.serverId;
    const Draft snapshot = snapshotDraftFromUI();
    Draft current = snapshot;
    std::set<std::string> matched;
    for (const auto& server : servers) {
        Draft d = server.id == notedServerID ? snapshot : workingDraft(server, snapshot);
        auto resolved = resolution.plans.find(server.id);
        if (resolved == resolution.plans.end()) continue;
        SmartShareResolvedPlan plan = share::planWithFallbackFolder(resolved->second, share::planFallbackFolder(d.destFolder));
        if (plan.preset) matched.insert(server.id);
        if (autoApply && manuallyEditedRecipeServerIDs.count(server.id) == 0) {
            if (auto applied = applyingSmartSharePlan(plan, d, server, true)) {
                d = std::move(*applied);
            } else if (plan.shouldAutoApply && share::planFolderIsUnchosen(d.destFolder)) {
                d.destFolder = share::planFolder(plan.destinationFolder);
            }
        }
        if (server.id == notedServerID) {
            smartSharePlan = plan;
            current = d;
        }
        resolvedDraftsByServer[server.id] = std::move(d);
        smartSharePlansByServer[server.id] = std::move(plan);
    }

    if (autoApply && !userTouchedServerMode && !hasAutomaticConfiguration) {
        const std::optional<ServerMode> mode = rememberedProjectServerMode();
        const std::set<std::string> remembered = rememberedProjectMultiServerIDs();
        // The project's last choice of single mode stands: the servers of an earlier multi
        // choice stay remembered beside it and must not bring multi mode back.
        if (mode == ServerMode::multi || (!mode && (remembered.size() >= 2 || matched.size() >= 2))) {
            const std::set<std::string>& selection = remembered.empty() ? matched : remembered;
            if (!selection.empty()) selectedServerIDs = selection;
            serverMode = ServerMode::multi;
            serverModeControl->selectedSegmentIndex = 1;
            // As at start-up, the screen shows the draft of a server the send goes to: the
            // first selected one when the current server is not selected.
            if (selectedServerIDs.count(draft.serverId) == 0) {
                if (const ServerProfile* first = share::firstSelectedServer(servers, selectedServerIDs)) {
                    current = workingDraft(*first, current);
                    draft = current;
                }
            }
            persistMultiServerSelection();
        } else if (mode == ServerMode::single) {
            serverMode = ServerMode::single;
            serverModeControl->selectedSegmentIndex = 0;
            if (auto id = rememberedSingleServerID()) {
                if (const ServerProfile* server = share::findServer(servers, *id)) {
                    // The server on the screen keeps the draft the plans just gave it; another
                    // server comes with its own working draft, its plan applied above.
                    if (server->id != notedServerID) current = workingDraft(*server, current);
                    draft = current;
                }
            }
            persistMultiServerSelection();
        }
    }

    if (current != snapshot) {
        draft = current;
        destFolderField->text = draft.destFolder;
        customWorkingDirectoryField->text = draft.deployCustomWorkingDirectory;
        deployCommandTextView->text = draft.deployCommand;
        // The destination suggestions follow in refreshDerivedUI below, after the recommendation
        // of the server now on the screen is adopted.
        updatePostUploadMenu();
        updateWorkingDirectoryMenu();
    }
    const bool serverChanged = draft.serverId != serverBefore;
    if (serverChanged) {
        // Another server's draft is on the screen: all of its fields, its plan, its
        // recommendation and its suggestion menus.
        applyDraftFieldsWithoutRefreshing(draft);
        adoptServerContext(draft.serverId);
        replyToSmartButton->menu = makeSmartMenu(SmartField::replyTo);
        onlyAgentsSmartButton->menu = makeSmartMenu(SmartField::onlyAgents);
    }
    const bool choicesChanged = serverChanged || serverMode != modeBefore || multiDispatchMode != dispatchBefore ||
                                selectedServerIDs != selectionBefore;
    if (choicesChanged) configureServerButton();
    if (current != snapshot || choicesChanged) refreshDerivedUI();
    rebuildMultiServerStack();
    updateSmartSharePlanCard();
}

namespace {

Async<void> resolveSmartPlansOffMain(std::weak_ptr<ShareViewController> weak,
                                     std::shared_ptr<const SmartSharePresetMemoryStore> memory,
                                     ArtifactProjectSignature signature, std::vector<std::string> serverIDs,
                                     std::uint64_t revision, Executor background) {
    auto work = [memory, signature, serverIDs, revision]() -> Async<share::SmartPlanResolution> {
        co_return share::resolveSmartPlans(*memory, signature, serverIDs, revision);
    };
    share::SmartPlanResolution resolution = co_await runOn(background, std::move(work));
    if (co_await isCancelled()) co_return;
    if (auto self = weak.lock()) self->adoptSmartPlanResolution(std::move(resolution));
}

std::vector<std::string> serverIDsOf(const std::vector<ServerProfile>& servers) {
    std::vector<std::string> ids;
    ids.reserve(servers.size());
    for (const auto& s : servers) ids.push_back(s.id);
    return ids;
}

}  // namespace

bool ShareViewController::smartPlanResolutionIsCurrent() const {
    return smartPlanResolution_ && artifactInsight.projectSignature &&
           smartPlanResolution_->projectDigest == artifactInsight.projectSignature->exactDigest &&
           smartPlanResolution_->memoryRevision == smartShareMemory->revision() &&
           smartPlanResolution_->serverIDs == serverIDsOf(servers);
}

void ShareViewController::startSmartPlanResolution() {
    if (!artifactInsight.projectSignature) return;
    const ArtifactProjectSignature& signature = *artifactInsight.projectSignature;
    std::vector<std::string> ids = serverIDsOf(servers);
    const std::uint64_t revision = smartShareMemory->revision();
    std::string key = signature.exactDigest + "#" + std::to_string(revision);
    for (const auto& id : ids) key += "#" + id;
    if (smartPlanResolutionTask_ && !smartPlanResolutionTask_->isDone() && smartPlanResolutionKey_ == key) return;
    smartPlanResolutionKey_ = key;
    replaceTask(smartPlanResolutionTask_,
                startTask(mainExecutor(), [weak = weakSelf(), memory = smartShareMemory->snapshot(), signature,
                                           ids = std::move(ids), revision,
                                           background = Executor(env_.backgroundQueue.executor())]() mutable {
                    return resolveSmartPlansOffMain(std::move(weak), std::move(memory), std::move(signature),
                                                    std::move(ids), revision, std::move(background));
                }));
}

void ShareViewController::adoptSmartPlanResolution(share::SmartPlanResolution resolution) {
    if (!artifactInsight.projectSignature || resolution.projectDigest != artifactInsight.projectSignature->exactDigest ||
        resolution.memoryRevision != smartShareMemory->revision()) {
        return;
    }
    smartPlanResolution_ = std::make_shared<const share::SmartPlanResolution>(std::move(resolution));
    refreshSmartSharePlan(true);
}

std::optional<SmartShareAutomaticConfiguration> ShareViewController::currentAutomaticConfiguration() const {
    if (smartPlanResolutionIsCurrent()) return smartPlanResolution_->automaticConfiguration;
    return smartShareMemory->resolveAutomaticConfiguration(artifactInsight.projectSignature);
}

std::optional<ShareViewController::Draft> ShareViewController::applyingSmartSharePlan(const SmartShareResolvedPlan& plan,
                                                                                      const Draft& d,
                                                                                      const ServerProfile& server,
                                                                                      bool requireAutoApply) const {
    return share::applyingSmartSharePlan(plan, d, server.id, requireAutoApply, artifactInsight.baseShellCandidates,
                                         artifactInsight.shellCandidates);
}

std::vector<ArtifactShellCandidate> ShareViewController::candidatesMatchingPreset(const SmartSharePreset& preset) const {
    return share::candidatesMatchingPreset(preset, artifactInsight.baseShellCandidates);
}

void ShareViewController::applyRecipeFieldsToCurrentUI(const Draft& d) {
    actionControl->selectedSegmentIndex = d.action == ShareAction::upload ? 1 : 0;
    destFolderField->text = d.destFolder;
    customWorkingDirectoryField->text = d.deployCustomWorkingDirectory;
    deployCommandTextView->text = d.deployCommand;
    updatePostUploadMenu();
    updateWorkingDirectoryMenu();
    rebuildDestinationSuggestions();
    refreshDerivedUI();
}

std::shared_ptr<UIStackView> ShareViewController::makeSmartSharePlanCard() {
    smartPlanCard->removeAllArrangedSubviews();
    smartPlanCard->axis = UIStackView::Axis::vertical;
    smartPlanCard->spacing = 7;
    smartPlanCard->layoutMargins = UIEdgeInsets::all(12);
    smartPlanCard->isLayoutMarginsRelativeArrangement = true;
    smartPlanCard->cornerRadius = 14;
    smartPlanCard->borderWidth = 1;
    smartPlanCard->borderColor = UIColor::systemBlue().withAlphaComponent(0.25);
    smartPlanCard->backgroundColor = UIColor::systemBlue().withAlphaComponent(0.07);
    smartPlanTitleLabel->font = UIFont::systemFont(14, UIFont::Weight::semibold);
    smartPlanTitleLabel->numberOfLines = 2;
    smartPlanSubtitleLabel->font = UIFont::systemFont(12);
    smartPlanSubtitleLabel->textColor = UIColor::secondaryLabel();
    smartPlanSubtitleLabel->numberOfLines = 0;
    smartPlanEvidenceLabel->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    smartPlanEvidenceLabel->textColor = UIColor::secondaryLabel();
    smartPlanEvidenceLabel->numberOfLines = 0;
    auto apply = UIButtonConfiguration::filled();
    apply.title = "Apply plan";
    apply.image = "wand.and.stars";
    apply.imagePlacement = UIButtonConfiguration::ImagePlacement::leading;
    apply.imagePadding = 6;
    smartPlanApplyButton->configuration = apply;
    smartPlanApplyButton->removeAllTargets();
    smartPlanApplyButton->addTarget(sharedSelf(), "applySmartSharePlanTapped",
                                    &ShareViewController::applySmartSharePlanTapped, UIControlEvents::touchUpInside);
    smartPlanCard->addArrangedSubview(smartPlanTitleLabel);
    smartPlanCard->addArrangedSubview(smartPlanSubtitleLabel);
    smartPlanCard->addArrangedSubview(smartPlanEvidenceLabel);
    smartPlanCard->addArrangedSubview(smartPlanApplyButton);
    updateSmartSharePlanCard();
    return smartPlanCard;
}

void ShareViewController::updateSmartSharePlanCard() {
    if (!isViewLoaded()) return;
    const bool withPreset = smartSharePlan && smartSharePlan->preset;
    smartPlanCard->hidden = !(draft.action == ShareAction::upload && withPreset);
    smartPlanTitleLabel->text = "Memory";
    // The evidence has its place in the subtitle; the evidence line stays empty.
    smartPlanEvidenceLabel->text.clear();
    smartPlanEvidenceLabel->hidden = true;
    if (!smartSharePlan) {
        smartPlanSubtitleLabel->text.clear();
        smartPlanApplyButton->hidden = true;
        return;
    }
    smartPlanSubtitleLabel->text = share::planCardSubtitle(*smartSharePlan);
    smartPlanApplyButton->hidden = !withPreset;
    if (smartPlanApplyButton->configuration) {
        auto configuration = *smartPlanApplyButton->configuration;
        configuration.title = share::planApplyTitle(*smartSharePlan);
        smartPlanApplyButton->configuration = configuration;
    }
}

void ShareViewController::applySmartSharePlanTapped() {
    if (!smartSharePlan) return;
    const ServerProfile* server = share::findServer(servers, draft.serverId);
    if (!server) return;
    const ServerProfile target = *server;
    std::optional<Draft> applied = applyingSmartSharePlan(*smartSharePlan, snapshotDraftFromUI(), target, false);
    if (!applied) return;
    markRecipeTouched(target.id);
    draft = *applied;
    resolvedDraftsByServer[target.id] = *applied;
    applyRecipeFieldsToCurrentUI(*applied);
    persistGlobalDraft(*applied);
    rebuildMultiServerStack();
}

void ShareViewController::makeCurrentConfigurationAutomaticTapped() {
    if (isViewLoaded()) view()->endEditing(true);
    if (isBusy || linkedDeployment) return;
    if (!artifactInsight.projectSignature) {
        statusLabel->text = std::string(share::kWaitForInspectionStatus);
        return;
    }
    const ArtifactProjectSignature signature = *artifactInsight.projectSignature;
    const Draft onScreen = snapshotDraftFromUI();
    draft = onScreen;
    if (!onScreen.serverId.empty()) resolvedDraftsByServer[onScreen.serverId] = onScreen;

    std::vector<std::string> addressed;
    if (serverMode == ServerMode::multi) {
        addressed = share::selectedIDsInServerOrder(servers, selectedServerIDs);
    } else if (auto id = share::configuredSingleServerID(servers, onScreen.serverId)) {
        addressed.push_back(*id);
    }
    if (addressed.empty()) {
        statusLabel->text = std::string(share::kSelectServerStatus);
        return;
    }

    std::size_t scripts = 0;
    for (const auto& id : addressed) {
        const ServerProfile* server = share::findServer(servers, id);
        if (!server) continue;
        Draft d;
        if (id == onScreen.serverId) {
            d = onScreen;
        } else if (auto it = resolvedDraftsByServer.find(id); it != resolvedDraftsByServer.end()) {
            d = it->second;
        } else {
            d = draftForServer(*server, onScreen);
        }
        const std::vector<ArtifactShellCandidate> candidates = selectedArtifactCandidates(d);
        scripts += candidates.size();
        std::vector<std::string> paths;
        for (const auto& c : candidates) paths.push_back(c.relativePath.empty() ? c.path : c.relativePath);
        smartShareMemory->setAutomaticPreset(id, share::planFallbackFolder(d.destFolder), signature,
                                             std::string(rawValue(d.postUploadAction)),
                                             std::string(rawValue(d.deployWorkingDirectory)),
                                             d.deployCustomWorkingDirectory, d.deployCommand, paths,
                                             share::candidateFingerprints(candidates), *defaults);
        resolvedDraftsByServer[id] = d;
        serverDraftStore.byServer[id] = d;
    }
    serverDraftStoreWriter.save(serverDraftStore, *defaults);
    smartShareMemory->setAutomaticConfiguration(signature, std::string(rawValue(serverMode)), addressed,
                                                share::automaticActiveServerID(addressed, onScreen.serverId),
                                                std::string(rawValue(multiDispatchMode)), true, *defaults);
    persistProjectServerModeAndSelection();
    automaticConfigurationAppliedDigest = signature.exactDigest;
    for (const auto& id : addressed) {
        manuallyEditedRecipeServerIDs.erase(id);
        autoAppliedRecipeServerIDs.insert(id);
    }
    statusLabel->text = share::automaticPresetStatus(addressed.size(), scripts);
    if (env_.window) UIImpactFeedbackGenerator(UIImpactFeedbackStyle::medium, env_.window->feedback()).impactOccurred();
    rebuildMultiServerStack();
}

}  // namespace tarvo
