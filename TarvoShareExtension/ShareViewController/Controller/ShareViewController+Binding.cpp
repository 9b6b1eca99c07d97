// The screen edits one draft, the draft of the server on the screen, and stores it as the user
// types: every edit of a bound control takes a fresh snapshot, makes it the current draft,
// records it for its server and saves the store, so a share that is cancelled still leaves
// what was typed for the next one. The rules are DraftBinding's.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using namespace platform;

share::DraftScreenValues ShareViewController::screenValuesFromControls() const {
    share::DraftScreenValues v;
    v.actionSegment = actionControl->selectedSegmentIndex;
    v.kind = kindField->text;
    v.replyTo = replyToField->text;
    v.onlyAgents = onlyAgentsField->text;
    v.destFolder = destFolderField->text;
    v.openOnNextLaunch = openOnNextLaunchSwitch->on;
    v.customWorkingDirectory = customWorkingDirectoryField->text;
    v.deployCommand = deployCommandTextView->text;
    v.lifetimeSegment = expectedLifetimeControl->selectedSegmentIndex;
    v.readinessValue = readinessValueField->text;
    return v;
}

ShareViewController::Draft ShareViewController::snapshotDraftFromUI() const {
    // The active server is only consulted for a draft without a server, and the selected
    // scripts only for a draft that lists some: each costs a read.
    const std::string activeServerId = draft.serverId.empty() ? defaults->string("activeServerId").value_or("") : "";
    const std::vector<ArtifactShellCandidate> selected =
        draft.selectedScriptPaths.empty() ? std::vector<ArtifactShellCandidate>() : selectedArtifactCandidates(draft);
    return share::snapshotDraft(draft, screenValuesFromControls(), activeServerId, selected);
}

void ShareViewController::applyDraftFieldsWithoutRefreshing(const Draft& d) {
    const share::DraftScreenValues v = share::screenValues(d);
    actionControl->selectedSegmentIndex = v.actionSegment;
    kindField->text = v.kind;
    replyToField->text = v.replyTo;
    onlyAgentsField->text = v.onlyAgents;
    destFolderField->text = v.destFolder;
    openOnNextLaunchSwitch->setOn(v.openOnNextLaunch);
    customWorkingDirectoryField->text = v.customWorkingDirectory;
    deployCommandTextView->text = v.deployCommand;
    expectedLifetimeControl->selectedSegmentIndex = v.lifetimeSegment;
    readinessValueField->text = v.readinessValue;
}

void ShareViewController::updateServerButtonTitle() {
    if (!serverButton->configuration) return;
    std::optional<ServerProfile> active;
    if (!share::findServer(servers, draft.serverId)) active = SharedServerConfig::loadActiveServer(*defaults);
    auto configuration = *serverButton->configuration;
    configuration.title = share::serverButtonTitle(servers, draft.serverId, active);
    serverButton->configuration = std::move(configuration);
}

void ShareViewController::applyDraftToUI() {
    ServerStackBatch batch(*this);
    applyDraftFieldsWithoutRefreshing(draft);
    updateServerButtonTitle();
    updatePostUploadMenu();
    updateWorkingDirectoryMenu();
    updateArtifactInsightCard(false);
    rebuildDestinationSuggestions();
    refreshSmartSharePlan(true);
    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();
    rebuildDestinationSuggestions();
    updateNotificationUI();
    updateReadinessUI();
    refreshDerivedUI();
}

void ShareViewController::persistGlobalDraft(const Draft& d) {
    if (d.serverId.empty()) return;
    serverDraftStore.byServer[d.serverId] = d;
    serverDraftStoreWriter.save(serverDraftStore, *defaults);
    defaults->set("share.lastServerId", PropertyList(d.serverId));
}

void ShareViewController::draftFieldChanged() {
    ServerStackBatch batch(*this);
    draft = snapshotDraftFromUI();
    if (!draft.serverId.empty()) resolvedDraftsByServer[draft.serverId] = draft;
    persistGlobalDraft(draft);
    updateServerButtonTitle();
    rebuildMultiServerStack();
    updatePostUploadMenu();
    updateWorkingDirectoryMenu();
    replyToSmartButton->menu = makeSmartMenu(SmartField::replyTo);
    onlyAgentsSmartButton->menu = makeSmartMenu(SmartField::onlyAgents);
    rebuildDestinationSuggestions();
    refreshDerivedUI();
    scheduleArtifactRecommendationRefresh();
}

void ShareViewController::shareActionChanged() {
    markRecipeTouched();
    draftFieldChanged();
}

void ShareViewController::routeFieldsDidEndEditing() {
    // All four are cleaned whichever field ended editing.
    replyToField->text = share::normalizedRouteText(replyToField->text);
    onlyAgentsField->text = share::normalizedRouteText(onlyAgentsField->text);
    destFolderField->text = share::cleanedDestinationFolder(destFolderField->text);
    customWorkingDirectoryField->text = share::normalizeWorkingDirectoryPath(customWorkingDirectoryField->text);
    draftFieldChanged();
}

void ShareViewController::textViewDidChange(UITextView& textView) {
    if (&textView != deployCommandTextView.get()) return;
    markRecipeTouched();
    draftFieldChanged();
    // Keep the caret above the keyboard while typing.
    if (isViewLoaded() && keyboardBottomInset > 0) {
        if (auto rect = activeEditingRectInScrollView()) {
            scrollView->layoutIfNeeded();
            scrollView->scrollRectToVisible(*rect, false);
        }
    }
}

void ShareViewController::wireDraftAutosaveTargets() {
    auto self = sharedSelf();
    for (UITextField* f : {kindField.get(), replyToField.get(), onlyAgentsField.get(), destFolderField.get(),
                           customWorkingDirectoryField.get()}) {
        // Only this controller's autosave, once, however often the screen is built.
        f->removeTarget(nullptr, {}, UIControlEvents::editingChanged);
        f->addTarget(self, "draftFieldChanged", &ShareViewController::draftFieldChanged,
                     UIControlEvents::editingChanged);
        f->removeTarget(nullptr, {}, UIControlEvents::editingDidEnd);
        f->addTarget(self, "routeFieldsDidEndEditing", &ShareViewController::routeFieldsDidEndEditing,
                     UIControlEvents::editingDidEnd);
    }
    actionControl->removeTarget(nullptr, {}, UIControlEvents::valueChanged);
    actionControl->addTarget(self, "shareActionChanged", &ShareViewController::shareActionChanged,
                             UIControlEvents::valueChanged);
    openOnNextLaunchSwitch->removeTarget(nullptr, {}, UIControlEvents::valueChanged);
    openOnNextLaunchSwitch->addTarget(self, "draftFieldChanged", &ShareViewController::draftFieldChanged,
                                      UIControlEvents::valueChanged);
    deployCommandTextView->delegate = std::static_pointer_cast<UITextViewDelegate>(self);
}

void ShareViewController::markRecipeTouched(std::optional<std::string> serverID) {
    userTouchedRecipe = true;
    const std::string id = text::trimmed(serverID ? *serverID : draft.serverId);
    if (id.empty()) return;
    manuallyEditedRecipeServerIDs.insert(id);
    autoAppliedRecipeServerIDs.erase(id);
}

}  // namespace tarvo
