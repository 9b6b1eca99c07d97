// The derived presentation of the share screen, recomputed in one pass after every change of
// draft, selection, scan result, recommendation, ticket or busy state: which field stacks and
// cards show, the send button's title, summary lines, the intent summary card.
//
// The pass writes nothing into the draft and stores nothing: it reads the controller's state
// and sets control properties, every one on every pass, so no control keeps derived state.
// It may run again from inside itself (a smart plan applied while refreshing); nothing here
// depends on running once.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"

namespace tarvo {

using namespace platform;

namespace {

// Holds the mood for the length of one pass; a nested pass works out its own and the outer
// one's comes back after it.
class MoodForThePass {
public:
    explicit MoodForThePass(ShareViewController& c) : c_(c), outer_(c.moodDuringRefresh) { recompute(); }
    ~MoodForThePass() { c_.moodDuringRefresh = outer_; }
    MoodForThePass(const MoodForThePass&) = delete;
    MoodForThePass& operator=(const MoodForThePass&) = delete;
    void recompute() {
        c_.moodDuringRefresh.reset();
        c_.moodDuringRefresh = c_.currentShareMood();
    }

private:
    ShareViewController& c_;
    std::optional<ShareViewController::ShareMood> outer_;
};

bool readinessNeedsValue(const ShareReadinessRule& rule) {
    return rule.kind == ShareReadinessRule::Kind::logContains || rule.kind == ShareReadinessRule::Kind::httpResponds;
}

}  // namespace

void ShareViewController::refreshDerivedUI() {
    MoodForThePass mood(*this);
    // Ends before the mood does, so that the rows this pass rebuilds take its mood; inside a
    // larger change (an edit, a switch of server) the rebuild waits for that change to end, and
    // the current row works the mood out once more.
    ServerStackBatch batch(*this);
    const bool upload = draft.action == ShareAction::upload;
    const bool linked = linkedDeployment.has_value();
    const bool hasRecipe = upload && draft.postUploadAction != PostUploadAction::none;
    const bool runsCommand = upload && share::runsCommand(draft.postUploadAction);
    const bool customFolder = runsCommand && draft.deployWorkingDirectory == PostUploadWorkingDirectory::custom;
    const std::size_t itemCount = providers.size();
    const std::size_t targetCount =
        linked ? selectedLinkedTargetIDs.size() : share::countedSelectedServers(servers, selectedServerIDs);
    const bool busy = isBusy;

    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();

    emitFieldsStack->hidden = linked || upload;
    uploadFieldsStack->hidden = linked || !upload;

    openOnNextLaunchLabel->text = "Take me there next time I open Tarvo";
    openOnNextLaunchSwitch->enabled = !busy;

    sendButton->setTitle(share::sendButtonTitle(draft, linked, serverMode, targetCount), UIControlState::normal);

    browseFolderButton->enabled = !busy && !servers.empty();
    postUploadButton->enabled = !busy;
    workingDirectoryButton->enabled = !busy;
    customWorkingDirectoryField->enabled = !busy;
    deployCommandTextView->editable = !busy;

    advancedUploadOptionsButton->hidden = !(runsCommand || interactionReply.has_value());
    if (advancedUploadOptionsButton->configuration) {
        auto configuration = *advancedUploadOptionsButton->configuration;
        configuration.title = advancedUploadOptionsExpanded ? "Hide advanced" : "Advanced";
        if (runsCommand) {
            configuration.subtitle = compactAdvancedSummary();
        } else {
            configuration.subtitle.reset();
        }
        configuration.image = advancedUploadOptionsExpanded ? "chevron.up" : "chevron.down";
        advancedUploadOptionsButton->configuration = std::move(configuration);
    }
    advancedUploadOptionsStack->hidden =
        !advancedUploadOptionsExpanded || !(runsCommand || interactionReply.has_value());

    workingDirectoryHelpLabel->hidden = !runsCommand;
    workingDirectoryButton->hidden = !runsCommand;
    deployCommandHelpLabel->hidden = !runsCommand;
    deployCommandTextView->hidden = !runsCommand;
    expectedLifetimeControl->hidden = !runsCommand;
    if (expectedLifetimeSectionLabel) expectedLifetimeSectionLabel->hidden = expectedLifetimeControl->hidden;
    customWorkingDirectoryField->hidden = !customFolder;

    readinessButton->hidden = !(runsCommand && draft.expectedLifetime == ShareExpectedLifetime::persistent);
    readinessValueField->hidden = readinessButton->hidden || !readinessNeedsValue(draft.readinessRule);

    notificationDisclosureButton->hidden = !hasRecipe;
    notificationOptionsStack->hidden = !(hasRecipe && notificationOptionsExpanded);

    returnResultRow->hidden = !interactionReply.has_value() || !(linked || hasRecipe);
    returnResultSwitch->enabled = !busy;

    updateNotificationUI();
    updateReadinessUI();

    if (itemCount == 0) {
        itemsLabel->text = "No items.";
        statusLabel->text = linked ? "Choose one or more exact targets." : "Nothing to share.";
        sendButton->enabled = false;
    } else {
        itemsLabel->text = dockSummaryLine();
        if (!busy) {
            statusLabel->text = unreadableTicketNotice.empty() ? dockDetailLine() : unreadableTicketNotice;
            sendButton->enabled = !transferFinished;
        } else {
            // The busy switch's message stays.
            sendButton->enabled = false;
        }
    }

    serverModeControl->hidden = linked;
    serverModeControl->enabled = !busy && servers.size() > 1 && !linked;
    serversSectionLabel->text = linked ? "EXACT OSTREL TARGETS" : "Servers";

    serverButton->hidden = linked || serverMode == ServerMode::multi;
    serverButton->enabled = serverMode == ServerMode::single && servers.size() >= 2 && !busy;

    multiServerStack->hidden = !linked && serverMode == ServerMode::single;

    if (!linked) {
        multiDispatchControl->hidden = serverMode != ServerMode::multi;
    } else {
        multiDispatchControl->hidden = linkedDeployment->targets.size() < 2;
    }
    multiDispatchControl->enabled = !busy;

    makeAutomaticButton->hidden = linked || !upload;
    makeAutomaticButton->enabled =
        !busy && artifactInsight.projectSignature.has_value() && !orderedSelectedServerIDsForCurrentMode().empty();
    const bool hasAutomatic = smartShareMemory && smartShareMemory->resolveAutomaticConfiguration(artifactInsight.projectSignature).has_value();
    if (makeAutomaticButton->configuration) {
        auto configuration = *makeAutomaticButton->configuration;
        configuration.title = hasAutomatic ? "Update automatic preset" : "Make this automatic";
        configuration.subtitle = artifactInsight.projectSignature
                                     ? "Use this server set and ordered script recipe next time"
                                     : "Inspecting this project before it can be remembered";
        makeAutomaticButton->configuration = std::move(configuration);
    }

    // ---- Linked deployment: its card in place of the regular send's controls.
    applyLinkedDeploymentVisibility();

    if (linked) {
        sendButton->enabled = !busy && targetCount > 0 && !transferFinished;
    } else if (serverMode == ServerMode::multi) {
        sendButton->enabled = !busy && targetCount > 0 && itemCount > 0 && !transferFinished;
    }

    artifactCard->hidden = linked || !upload;

    updateArtifactInsightCard(false);
    rebuildDestinationSuggestions();
    refreshSmartSharePlan(true);
    // The plan may have changed the draft.
    mood.recompute();
    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();
}

}  // namespace tarvo
