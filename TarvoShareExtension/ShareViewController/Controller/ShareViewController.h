#pragma once
// The share extension's only view controller: the principal class the extension host creates
// when the user picks the extension in the share sheet. One instance lives for one share and
// owns all of its state: the configured servers, the shared items and the sidecar tickets
// among them, the draft on the screen and each server's draft, the remembered choices, the
// results of the background inspection, the running tasks and every control of the screen.
//
// The class is split by concern over several files (ShareViewController+<Concern>.cpp); the
// rules it applies live in small files of free functions beside it (DraftResolution,
// DraftBinding, ShareStartup, SendState, BadgeText, KeyboardAvoidance) and the controller only
// glues them to the controls. Everything here runs on the main queue of the environment.
//
// Life: the host creates it with make(), hands it the extension context and shows it in the
// window; the window loads its view, which runs viewDidLoad() (the start-up sequence) and
// render(). The share ends when the request is completed or cancelled; releasing the
// controller ends its keyboard registrations. Tasks it starts hold it weakly.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/ShareRunContract.h"
#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/ItemLoaders.h"
#include "TarvoShareExtension/Intake/MaterializedItemCache.h"
#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/Intake/TempItem.h"
#include "TarvoShareExtension/ShareEnvironment.h"
#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftBinding.h"
#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarTickets.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "platform/foundation/Json.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"
#include "TarvoShareExtension/ShareViewController/Smart/SmartSharePlan.h"
#include "TarvoShareExtension/ShareViewController/Presentation/ShareMood.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/concurrency/Async.h"
#include "platform/concurrency/Task.h"
#include "platform/extension/NSExtensionContext.h"
#include "platform/uikit/NotificationCenter.h"
#include "platform/uikit/UIActivityIndicatorView.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIProgressView.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UIStackView.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITextField.h"
#include "platform/uikit/UITextView.h"
#include "platform/uikit/UIViewController.h"

namespace tarvo::share {
class CandidateSelector;
}  // namespace tarvo::share

namespace tarvo {

struct CandidateIndexCache;

class ShareViewController : public platform::UIViewController,
                            public platform::UITextFieldDelegate,
                            public platform::UITextViewDelegate {
public:
    // ---- The share's value types, under the controller as the share's code names them.
    using Draft = share::Draft;
    using ServerDraftStore = share::ServerDraftStore;
    using ShareAction = share::ShareAction;
    using ServerMode = share::ServerMode;
    using MultiDispatchMode = share::MultiDispatchMode;
    using PostUploadAction = share::PostUploadAction;
    using PostUploadWorkingDirectory = share::PostUploadWorkingDirectory;
    using ArtifactInsight = share::ArtifactInsight;
    using ArtifactInsightState = share::ArtifactInsightState;
    using NVKLinkedDeployment = share::NVKLinkedDeployment;
    using NVKLinkedTarget = share::NVKLinkedTarget;
    using NVKLinkedExecution = share::NVKLinkedExecution;
    using NVKInteractionReplyTicket = share::NVKInteractionReplyTicket;
    using DecodedNVKSidecar = share::DecodedNVKSidecar;

    // The two route fields that offer suggestion menus.
    enum class SmartField { replyTo, onlyAgents };

    // A label with inner margins (top 3, left 7, bottom 3, right 7 unless changed): the text is
    // drawn inside the bounds less the margins, and the margins add to its natural size. The
    // screen's badges are made of it.
    class PaddingLabel : public platform::UILabel {
    public:
        PaddingLabel() = default;
        static std::shared_ptr<PaddingLabel> make(std::string text = {});
        platform::UIEdgeInsets insets{3, 7, 3, 7};
        platform::UIEdgeInsets textDrawingInsets() const override { return insets; }
        platform::CGSize intrinsicContentSize() const override;
    };

    // Creates the controller with every field at its initial value; the view and the start-up
    // follow when the view is first asked for.
    static std::shared_ptr<ShareViewController> make(ShareEnvironment environment);
    explicit ShareViewController(ShareEnvironment environment);
    ~ShareViewController() override;

    std::string_view kindName() const override { return "ShareViewController"; }

    // The share request the host hands over before showing the screen; nullptr when there is
    // none (completing and cancelling then only change the status text).
    void setExtensionContext(std::shared_ptr<platform::NSExtensionContext> context);
    const std::shared_ptr<platform::NSExtensionContext>& extensionContext() const { return extensionContext_; }

    const ShareEnvironment& environment() const { return env_; }

    // =============================================================================================
    // State, in declaration order.
    std::shared_ptr<platform::UserDefaults> defaults;  // the app group's suite (else the standard store)
    std::vector<ServerProfile> servers;                // in the order the Tarvo app stored them
    ProviderList providers;                            // the items of the share, tickets excluded
    ProviderList deploymentSidecarProviders;
    ProviderList returnSidecarProviders;
    std::optional<NVKLinkedDeployment> linkedDeployment;           // in force
    std::optional<NVKLinkedDeployment> availableLinkedDeployment;  // decoded, also while set aside
    std::optional<NVKInteractionReplyTicket> interactionReply;
    std::set<std::string> selectedLinkedTargetIDs;
    std::string typeKey = "file";
    std::optional<std::string> sourceBundleID;
    std::string biasKey = "file";
    ServerDraftStore serverDraftStore;
    // Saves serverDraftStore, encoding only the drafts changed since the last save.
    share::ServerDraftStoreWriter serverDraftStoreWriter;
    std::shared_ptr<SmartSharePresetMemoryStore> smartShareMemory;
    std::optional<SmartShareResolvedPlan> smartSharePlan;
    std::map<std::string, SmartShareResolvedPlan> smartSharePlansByServer;
    std::map<std::string, Draft> resolvedDraftsByServer;
    std::set<std::string> autoAppliedRecipeServerIDs;
    std::set<std::string> manuallyEditedRecipeServerIDs;
    std::map<std::string, ArtifactRecommendationResponse> serverRecommendationsByServer;
    std::map<std::string, std::string> serverRecommendationRequestKeys;
    Draft draft;  // the draft on the screen
    bool isBusy = false;
    ArtifactInsight artifactInsight;
    bool transferFinished = false;
    ServerMode serverMode = ServerMode::single;
    MultiDispatchMode multiDispatchMode = MultiDispatchMode::all;
    std::set<std::string> selectedServerIDs;
    bool userTouchedServerMode = false;
    std::set<std::string> expandedServerIDs;
    bool otherServersExpanded = false;
    bool advancedUploadOptionsExpanded = false;
    std::map<std::string, std::string> serverRunStates;
    bool suppressShareCompletion = false;
    std::optional<std::string> lastSendError;
    std::optional<platform::TaskHandle<>> sendTask;
    std::optional<platform::TaskHandle<>> artifactPreviewTask;
    std::optional<platform::TaskHandle<>> artifactRecommendationTask;
    std::string artifactScanGeneration;  // a UUID
    std::optional<std::size_t> primaryArtifactProviderIndex;
    bool artifactScriptsExpanded = false;
    bool artifactDetailsExpanded = false;
    std::map<std::string, std::string> artifactAutoSelectedDigestByServer;
    std::optional<std::string> automaticConfigurationAppliedDigest;
    bool notificationOptionsExpanded = false;
    bool userTouchedRecipe = false;
    double keyboardBottomInset = 0;
    std::weak_ptr<platform::UIView> activeEditingView;

    // =============================================================================================
    // Controls, created with the controller; their role is their field's name.
    std::shared_ptr<platform::UILabel> titleLabel;
    std::shared_ptr<platform::UILabel> heroSubtitleLabel;
    std::weak_ptr<platform::UIStackView> heroHeaderCard;
    std::weak_ptr<platform::UIStackView> actionDockCard;
    std::shared_ptr<platform::UILabel> statusLabel;
    std::shared_ptr<platform::UIActivityIndicatorView> spinner;
    std::shared_ptr<platform::UIStackView> uploadProgressStack;
    std::shared_ptr<platform::UIProgressView> uploadProgressView;
    std::shared_ptr<platform::UILabel> uploadProgressLabel;
    std::shared_ptr<platform::UIButton> cancelButton;
    std::shared_ptr<platform::UIScrollView> scrollView;
    std::shared_ptr<platform::UIStackView> contentStack;
    std::shared_ptr<platform::UIStackView> linkedDeploymentCard;
    std::shared_ptr<platform::UILabel> linkedDeploymentTitleLabel;
    std::shared_ptr<platform::UILabel> linkedDeploymentSubtitleLabel;
    std::shared_ptr<platform::UIButton> linkedDeploymentFallbackButton;
    std::shared_ptr<platform::UILabel> serversSectionLabel;
    std::shared_ptr<platform::UILabel> targetSectionLabel;
    std::shared_ptr<platform::UIStackView> openOnNextLaunchRow;
    std::shared_ptr<platform::UIButton> serverButton;
    std::shared_ptr<platform::UISegmentedControl> serverModeControl;
    std::shared_ptr<platform::UISegmentedControl> multiDispatchControl;
    std::shared_ptr<platform::UISegmentedControl> actionControl;
    std::shared_ptr<platform::UISegmentedControl> expectedLifetimeControl;
    // Its heading, made by each build of the screen; shown exactly when the control is.
    std::shared_ptr<platform::UILabel> expectedLifetimeSectionLabel;
    std::shared_ptr<platform::UIStackView> multiServerStack;
    std::shared_ptr<platform::UIButton> makeAutomaticButton;
    std::shared_ptr<platform::UIStackView> emitFieldsStack;
    std::shared_ptr<platform::UITextField> kindField;
    std::shared_ptr<platform::UITextField> replyToField;
    std::shared_ptr<platform::UITextField> onlyAgentsField;
    std::shared_ptr<platform::UIStackView> uploadFieldsStack;
    std::shared_ptr<platform::UITextField> destFolderField;
    std::shared_ptr<platform::UIStackView> destinationSuggestionsStack;
    std::shared_ptr<platform::UIButton> browseFolderButton;
    std::shared_ptr<platform::UIButton> postUploadButton;
    std::shared_ptr<platform::UIButton> workingDirectoryButton;
    std::shared_ptr<platform::UILabel> workingDirectoryHelpLabel;
    std::shared_ptr<platform::UITextField> customWorkingDirectoryField;
    std::shared_ptr<platform::UIButton> advancedUploadOptionsButton;
    std::shared_ptr<platform::UIStackView> advancedUploadOptionsStack;
    std::shared_ptr<platform::UIStackView> artifactCard;
    std::shared_ptr<platform::UILabel> artifactTitleLabel;
    std::shared_ptr<platform::UILabel> artifactSubtitleLabel;
    std::shared_ptr<platform::UILabel> artifactScriptsLabel;
    std::shared_ptr<platform::UIStackView> artifactActionsStack;
    std::shared_ptr<platform::UIButton> artifactDetailsButton;
    std::shared_ptr<platform::UILabel> artifactDetailsLabel;
    std::shared_ptr<platform::UIStackView> smartPlanCard;
    std::shared_ptr<platform::UILabel> smartPlanTitleLabel;
    std::shared_ptr<platform::UILabel> smartPlanSubtitleLabel;
    std::shared_ptr<platform::UILabel> smartPlanEvidenceLabel;
    std::shared_ptr<platform::UIButton> smartPlanApplyButton;
    std::shared_ptr<platform::UIButton> readinessButton;
    std::shared_ptr<platform::UITextField> readinessValueField;
    std::shared_ptr<platform::UIButton> notificationDisclosureButton;
    std::shared_ptr<platform::UIStackView> notificationOptionsStack;
    std::shared_ptr<platform::UIStackView> returnResultRow;
    std::shared_ptr<platform::UILabel> returnResultLabel;
    std::shared_ptr<platform::UISwitch> returnResultSwitch;
    std::map<ShareRunNotificationEvent, std::shared_ptr<platform::UISwitch>> notificationSwitches;
    std::shared_ptr<platform::UITextView> deployCommandTextView;
    std::shared_ptr<platform::UILabel> deployCommandHelpLabel;
    std::shared_ptr<platform::UIButton> replyToSmartButton;
    std::shared_ptr<platform::UIButton> onlyAgentsSmartButton;
    std::shared_ptr<platform::UISwitch> openOnNextLaunchSwitch;
    std::shared_ptr<platform::UILabel> openOnNextLaunchLabel;
    std::shared_ptr<platform::UILabel> itemsLabel;
    std::shared_ptr<platform::UIButton> sendButton;

    // =============================================================================================
    // Life cycle (ShareViewController.cpp).

    // Rebuilds the whole screen from the state and schedules the insight scan; called at the
    // end of start-up.
    void render();

    // =============================================================================================
    // Send entry, busy state, cancellation, completion (ShareViewController+Send.cpp).
    void sendTapped();
    platform::Async<void> runSend(Draft draft);
    // isBusy changes at once; the controls it locks, the spinner and the status text change in
    // a block queued on the main queue.
    void setBusy(bool busy, std::string message);
    void cancelTapped();
    platform::Async<void> finishSuccessfulShare(std::string message);

    // The send flows each own a file: the emit, the upload, the multi-server dispatch and the
    // linked deployment.
    platform::Async<void> runEmit(Draft draft, ServerProfile server);
    platform::Async<void> runUpload(Draft draft, ServerProfile server);
    platform::Async<void> runMultiSend(Draft currentDraft);
    platform::Async<void> runLinkedDeployment();
    // The remote client of a server for one send (the environment's factory).
    std::optional<RemoteAPI> makeFileAPI(const ServerProfile& server) const;
    // A shared item as a file in the share's temporary folder, made once for the whole share
    // (materializedItems) and made again only when its source changed. A shared file's copy or
    // a shared folder's zip runs on the background queue, so the screen keeps turning however
    // large it is; zipProgress (called there) follows a folder's zip still under way.
    platform::Async<TempItem> materializeOffMain(ProviderPtr provider, FolderZipProgressCallback zipProgress = {});
    // The share's copies of its items: the scan, the tickets and every send use them.
    MaterializedItemCache materializedItems;

    // =============================================================================================
    // Draft resolution and remembered selections (ShareViewController+Drafts.cpp).
    Draft loadGlobalDraftFallback() const;
    std::set<std::string> rememberedSelectedServerIDs(std::string_view fallbackServerID) const;
    std::optional<std::string> rememberedSingleServerID() const;
    std::set<std::string> rememberedProjectMultiServerIDs() const;
    std::optional<std::string> projectScopedShareKey(std::string_view name) const;
    Draft freshInvocationDraft(std::string_view serverID, std::string_view replyTo,
                               const std::optional<Draft>& prior) const;
    Draft draftForServer(const ServerProfile& server, const Draft& preserving) const;
    // The draft resolved for the server in this share as it was (no new stale check), else a
    // fresh one carrying the intent of `preserving`. Records nothing.
    Draft workingDraft(const ServerProfile& server, const Draft& preserving) const;
    // Records the result in resolvedDraftsByServer.
    Draft resolvedDraft(const ServerProfile& server, const Draft& preserving);
    // One (server id, draft) pair per server, in the given order, for the recommendation
    // refresh; stores nothing.
    std::vector<std::pair<std::string, Draft>> recommendationDraftsByServer(
        const std::vector<ServerProfile>& forServers) const;

    // =============================================================================================
    // Screen-to-draft binding and autosave (ShareViewController+Binding.cpp).
    Draft snapshotDraftFromUI() const;
    void applyDraftToUI();
    void applyDraftFieldsWithoutRefreshing(const Draft& draft);
    void persistGlobalDraft(const Draft& draft);
    void draftFieldChanged();
    void shareActionChanged();
    void routeFieldsDidEndEditing();
    void textViewDidChange(platform::UITextView& textView) override;
    void wireDraftAutosaveTargets();
    void markRecipeTouched(std::optional<std::string> serverID = std::nullopt);
    // Writes the server button's title from the draft's server.
    void updateServerButtonTitle();
    // The server button's title and, with two or more servers, its server menu (opened by a tap).
    void configureServerButton();

    // =============================================================================================
    // Screen layout (ShareViewController+Layout.cpp).
    void buildConfigureUI();

    // =============================================================================================
    // Field rows and the keyboard's accessory row (ShareViewController+Fields.cpp).
    void configureTextField(platform::UITextField& field, std::string placeholder);
    std::shared_ptr<platform::UIToolbar> makeKeyboardToolbar();
    std::shared_ptr<platform::UIView> makeDestinationInlineRow();

    // =============================================================================================
    // Keyboard avoidance and editing focus (ShareViewController+Keyboard.cpp).
    void keyboardWillChangeFrame(const platform::Notification& notification);
    void keyboardWillHide(const platform::Notification& notification);
    std::optional<platform::CGRect> activeEditingRectInScrollView() const;
    void textFieldDidBeginEditing(platform::UITextField& field) override;
    void textFieldDidEndEditing(platform::UITextField& field) override;
    bool textFieldShouldReturn(platform::UITextField& field) override;
    void textViewDidBeginEditing(platform::UITextView& textView) override;
    void textViewDidEndEditing(platform::UITextView& textView) override;
    void dismissKeyboard();

    // =============================================================================================
    // Badges and small view builders (ShareViewController+Builders.cpp).
    std::shared_ptr<platform::UILabel> makeSectionLabel(std::string text) const;
    std::shared_ptr<platform::UILabel> makeServerSectionHeader(std::string text) const;
    std::shared_ptr<platform::UIView> makeToggleRow(const std::shared_ptr<platform::UILabel>& label,
                                                    const std::shared_ptr<platform::UISwitch>& control) const;
    std::shared_ptr<platform::UIView> makeDisabledCompactRow(std::string title, std::string subtitle) const;
    std::shared_ptr<platform::UILabel> makeScriptCountBadge(std::int64_t count) const;
    std::shared_ptr<platform::UIView> makeSuccessCountBadge(std::int64_t count, bool exact) const;
    std::shared_ptr<platform::UILabel> makeRecipeOriginBadge(std::string text) const;
    std::optional<std::string> compactSuccessBadge(const ArtifactShellCandidate& candidate) const;
    std::shared_ptr<platform::UIStackView> makeUploadProgressStack();

    // =============================================================================================
    // Services of the screen and the flows that their own files carry.

    // Action dock and hero header (ShareViewController+Dock.cpp).
    std::shared_ptr<platform::UIStackView> makeActionDock();
    std::shared_ptr<platform::UIStackView> makeHeroHeader();
    std::string heroTitleLine() const;
    std::string heroSubtitleLine() const;

    // Derived presentation (ShareViewController+DerivedRefresh.cpp).
    void refreshDerivedUI();

    // Recipe menus and command tokens (ShareViewController+RecipeMenus.cpp).
    void styleMenuButton(platform::UIButton& button);
    void updatePostUploadMenu();
    void updateWorkingDirectoryMenu();
    std::shared_ptr<platform::UIView> makeCommandTokenRow();
    void toggleAdvancedUploadOptions();
    void toggleArtifactDetails();

    // Suggestion menus of the route fields (ShareViewController+SuggestionMenus.cpp).
    std::shared_ptr<platform::UIMenu> makeSmartMenu(SmartField field);
    void attachSmartButton(platform::UITextField& field, const std::shared_ptr<platform::UIButton>& button);

    // Server rows and the server mode and selection (ShareViewController+ServerStack.cpp,
    // ShareViewController+ServerSelection.cpp).
    void rebuildMultiServerStack();
    void serverModeChanged();
    void multiDispatchModeChanged();
    void switchDraftToServer(const ServerProfile& server);
    // What belongs to the server whose draft is on the screen: its plan, its recommendation
    // (merged into the shown candidates) and whether its recipe was edited by hand.
    void adoptServerContext(const std::string& serverID);

    // Share mood (ShareViewController+Mood.cpp).
    void applyShareMoodToChrome();

    // Artifact insight scan and card (ShareViewController+Insight.cpp).
    void scheduleArtifactPreviewScanIfNeeded();
    void updateArtifactInsightCard(bool animated);
    std::shared_ptr<platform::UIStackView> makeArtifactInsightCard();

    // Server recommendations and destination suggestions
    // (ShareViewController+Recommendations.cpp).
    void scheduleArtifactRecommendationRefresh();
    void rebuildDestinationSuggestions();

    // Recipe rules over the insight (ShareViewController+RecipeRules.cpp).
    Draft recipeClearedIfStale(const Draft& draft, const std::string& serverID) const;
    std::vector<ArtifactShellCandidate> selectedArtifactCandidates(const Draft& draft) const;

    // Smart-share plan and automatic configuration (ShareViewController+SmartPlan.cpp).
    void refreshSmartSharePlan(bool autoApply);
    std::shared_ptr<platform::UIStackView> makeSmartSharePlanCard();
    void updateSmartSharePlanCard();
    void applySmartSharePlanTapped();
    void makeCurrentConfigurationAutomaticTapped();

    // NVK sidecar tickets and the linked deployment (ShareViewController+LinkedDeployment.cpp).
    platform::Async<void> loadLinkedDeploymentSidecar();
    // Said when a deployment ticket could not be read. The dock's detail line would replace it at
    // the next refresh (the scan's, say) before anyone read it, so it stands until Send.
    std::string unreadableTicketNotice;
    platform::Async<void> loadInteractionReplySidecar();
    // The ticket a materialised item holds, judged at the environment clock's present.
    std::optional<DecodedNVKSidecar> decodeNVKSidecar(const TempItem& item) const;
    void applyNVKSidecar(const DecodedNVKSidecar& sidecar);
    std::shared_ptr<platform::UIStackView> makeLinkedDeploymentCard();
    void useRegularTarvoDeployTapped();
    // True for Deploy, false for Skip (or when no alert could be shown).
    platform::Async<bool> requestLinkedTargetApproval(NVKLinkedTarget target, std::size_t ordinal, std::size_t total);
    // Posts one approval to the ticket's capability URL; throws the "ShareExtension" error of a
    // refusal or an invalid URL, and the URL session's error unchanged.
    platform::Async<void> approveLinkedDeployment(NVKLinkedDeployment deployment, std::vector<std::string> targetIDs);
    // The applied reply ticket as a JSON object, or nothing.
    std::optional<platform::Json> interactionReplyObject() const;
    // Linked deployment cards and the deploy-set card.
    std::shared_ptr<platform::UIStackView> makeLinkedDeploymentTargetCard(const NVKLinkedTarget& target);
    std::shared_ptr<platform::UIStackView> makeDeploySetCard(const std::vector<ServerProfile>& selected);
    // While a linked deployment is in force: fills multiServerStack with one card per target
    // and returns true; otherwise touches nothing and returns false.
    bool rebuildLinkedTargetCardsIfNeeded();
    // Shows the linked-deployment card and hides the regular send's controls while a linked
    // deployment is in force; the reverse otherwise.
    void applyLinkedDeploymentVisibility();

    // Notification and readiness options (ShareViewController+NotificationOptions.cpp).
    void buildNotificationOptions();
    void updateNotificationUI();
    void updateReadinessUI();
    void expectedLifetimeChanged();
    void toggleNotificationOptions();
    void notificationSwitchChanged(platform::UIControl& sender);
    void returnResultChanged();
    void readinessValueChanged();

    // Remote folder picker (ShareViewController+FolderPicker.cpp).
    void browseFolderTapped();

    // =============================================================================================
    // Project insight: the scan's publication, the servers' recommendations, the smart-share plan
    // and the project's remembered server choices (ShareViewController+InsightScan.cpp,
    // +Recommendations.cpp, +SmartPlan.cpp, +ProjectChoices.cpp).
    // The scan of the shared items started by scheduleArtifactPreviewScanIfNeeded(); publishes
    // only while its generation is current and it is not cancelled.
    platform::Async<void> runArtifactPreviewScan(std::string generation);
    // A shown recipe no longer fitting the shared project is cleared (unless the person touched it).
    void clearStaleRecipeIfNeeded();
    // "proof <n>×" (· <m> failed) over every server's reply; "" when nothing ran.
    std::string projectProofLine() const;
    void applyArtifactRecommendation(const ArtifactRecommendationResponse& response, const ServerProfile& server,
                                     const ArtifactProjectSignature& signature, const std::string& requestKey);
    std::optional<Draft> applyingSmartSharePlan(const SmartShareResolvedPlan& plan, const Draft& d,
                                                const ServerProfile& server, bool requireAutoApply) const;
    std::vector<ArtifactShellCandidate> candidatesMatchingPreset(const SmartSharePreset& preset) const;
    void applyRecipeFieldsToCurrentUI(const Draft& d);
    void applyRememberedAutomaticConfigurationIfNeeded();
    std::optional<ServerMode> rememberedProjectServerMode() const;
    void persistMultiServerSelection();
    void persistProjectServerModeAndSelection();
    // Server rows: the runs on the server of the first script the row's draft selects, where its
    // recipe came from, and whether the server recommends anything.
    std::optional<std::pair<std::int64_t, bool>> recipeSuccessEvidence(
        const std::string& serverID, const std::vector<ArtifactShellCandidate>& selected) const;
    std::optional<std::string> recipeOriginSummary(const std::string& serverID) const;
    bool serverHasRecommendation(const ServerProfile& server) const;
    // The plans of the project resolved off the main queue; a resolution for another project or
    // an older memory is dropped.
    void adoptSmartPlanResolution(share::SmartPlanResolution resolution);
    // Share screen presentation: the hero and dock texts, the server mode and selection, the
    // server rows, the mood, the recipe and suggestion menus and the artifact card
    // (ShareViewController+Dock.cpp, +ServerSelection.cpp, +ServerStack.cpp, +Mood.cpp,
    // +RecipeMenus.cpp, +SuggestionMenus.cpp, +ArtifactCard.cpp). Pure reads unless they say
    // otherwise; the texts' rules are SharePresentation's.
    using ShareMood = share::ShareMood;
    std::string payloadDisplayTitle() const;
    std::string payloadSizeLine() const;
    std::string friendlySourceLabel() const;
    std::string dockSummaryLine() const;
    std::string dockDetailLine() const;
    std::string compactAdvancedSummary() const;
    std::optional<std::string> compactScriptSummary(const Draft& draft) const;
    std::vector<std::string> selectedServerLabels(std::size_t limit) const;

    // Each saves the screen's draft first (expansion excepted), then changes the selection,
    // remembers it and refreshes what depends on it.
    void toggleServerSelection(const ServerProfile& server, bool expandOnSelect);
    void openServerPlan(const ServerProfile& server);
    void toggleServerExpansion(const std::string& serverID);

    std::shared_ptr<platform::UIControl> makeCompactServerRow(const ServerProfile& server, bool selected);
    // Everything a compact row shows, worked out once per row and rebuild. A rebuild keeps the
    // collapsed row of the last one when these are the same (an edit changes the row of one
    // server, if any).
    struct ServerRowInputs {
        ServerProfile server;
        bool selected = false;
        bool current = false;
        Draft draft;
        std::vector<ArtifactShellCandidate> candidates;
        std::string context;
        std::optional<std::pair<std::int64_t, bool>> evidence;
        std::optional<std::string> origin;
        std::string runState;
        std::optional<platform::UIColor> planTint;
        bool operator==(const ServerRowInputs&) const = default;
    };
    ServerRowInputs serverRowInputs(const ServerProfile& server, bool selected, Draft rowDraft) const;
    struct KeptServerRow {
        ServerRowInputs inputs;
        std::shared_ptr<platform::UIControl> row;
    };
    std::map<std::string, KeptServerRow> keptServerRows;
    // A row's scripts and context line depend only on its draft, the insight's candidates and the
    // share's type: a kept row with the same draft lends them to the next build (an edit changes
    // one server's draft, and working them out again for every row was most of a rebuild's
    // cost). The rows are kept for the candidates and type below, and dropped when these change.
    struct KeptRowsBasis {
        std::uint64_t candidateGeneration = 0;  // of the candidate index the rows were made with
        std::string typeKey;
        bool operator==(const KeptRowsBasis&) const = default;
    };
    KeptRowsBasis keptRowsBasis;
    // While one change is handled (a keystroke, a derived refresh, a plan pass) the stack is
    // rebuilt once, when the outermost of them ends: each of them asks for a rebuild, and a
    // keystroke used to build every row three or four times. See ServerStackBatch.
    int serverStackBatchDepth = 0;
    bool serverStackRebuildPending = false;
    std::shared_ptr<platform::UIButton> makeOtherServersDisclosure(std::size_t count);
    std::shared_ptr<platform::UIStackView> makeServerContextLine(const ServerRowInputs& inputs, bool expanded);
    std::shared_ptr<platform::UIStackView> makeServerDetailStack(const std::string& serverID, const Draft& draft);

    ShareMood currentShareMood() const;
    // The mood while one derived refresh runs: worked out once for the pass, not again for
    // every card, chip and button that takes it (it weighs every target server's recipe).
    mutable std::optional<ShareMood> moodDuringRefresh;
    // While the server rows or the mood are built: the insight's candidates indexed once for
    // every server's draft. Nothing that builds them changes the candidates.
    mutable const share::CandidateSelector* candidateSelectorDuringBuild = nullptr;
    // The index itself, kept from one build to the next while the candidates stay the same
    // (building it over 500 candidates cost more than the rows it served); see
    // CandidateIndexForTheBuild.
    mutable std::shared_ptr<CandidateIndexCache> candidateIndexCache;
    static platform::UIColor blendedMoodSurface(const platform::UIColor& tint, double amount,
                                                const platform::UIColor& base);

    std::vector<std::string> smartTokens(SmartField field) const;
    void applyToken(const std::string& token, SmartField field, bool replace);

    // The card's rail, or (given a server id) its copy in that server's opened row, whose chips
    // carry the server id in their roles.
    std::shared_ptr<platform::UIView> makeEntryRail(const std::string& rowServerId = "");
    std::shared_ptr<platform::UIButton> makeArtifactCandidateChip(const ArtifactShellCandidate& candidate,
                                                                  const std::string& rowServerId);
    std::shared_ptr<platform::UIButton> makeMoreEntryChip(std::int64_t hiddenCount, const std::string& rowServerId);
    int entryGridColumnCount(const std::vector<ArtifactShellCandidate>& candidates) const;
    bool isShellCandidateSelected(const ArtifactShellCandidate& candidate) const;
    std::vector<ArtifactShellCandidate> visibleEntryRailCandidates() const;

    // ---- Helpers of the send flows (ShareViewController+Upload.cpp, +MultiSend.cpp,
    // +NotificationOptions.cpp).
    // Alert "Deploy <ordinal> of <total>?" with Skip and Deploy; true for Deploy.
    platform::Async<bool> requestPerServerApproval(const ServerProfile& server, const Draft& draft,
                                                   std::size_t ordinal, std::size_t total);
    std::vector<std::string> orderedSelectedServerIDsForCurrentMode() const;
    // What the controller adds to a recipe of this server: insight, delivery, return result.
    share::PostUploadRecipeContext postUploadRecipeContext(const ServerProfile& server) const;
    // The smart-share memory learns the recipe that just started on the server.
    void learnFromStartedRecipe(const ServerProfile& server, const Draft& draft, const std::string& folder,
                                const std::vector<ArtifactShellCandidate>& selected);
    // Where the server's run notifications go, from its profile and the app group's push settings.
    ShareRunNotificationDelivery notificationDelivery(const ServerProfile& server) const;
    // "push.deviceId" of the app group, else of the standard store; "" when neither has one.
    std::string sharedPushDeviceID() const;
    // The draft's server, else the active one.
    std::optional<ServerProfile> notificationServer() const;
    // A readiness menu entry was chosen.
    void readinessRuleChosen(const ShareReadinessRule& rule);

protected:
    void viewDidLoad() override;

private:
    std::shared_ptr<ShareViewController> sharedSelf();
    std::weak_ptr<ShareViewController> weakSelf();
    platform::Executor mainExecutor() const;
    // Follows the keyboard's frame (the two notification handlers).
    void updateKeyboardInset(const platform::Notification& notification, bool hiding);
    // Applies keyboardBottomInset to the scroll view's bottom insets.
    void applyKeyboardInsetToScrollView();
    // Scrolls the field being edited into view one turn of the main queue later.
    void scheduleFocusScroll();
    // The values of the bound controls, and writing them back.
    share::DraftScreenValues screenValuesFromControls() const;

    // Project insight: one plan refresh at a time (see SmartPlanRefreshGuard).
    void refreshSmartSharePlanPass(bool autoApply);
    share::SmartPlanRefreshGuard smartPlanRefreshGuard_;
    // The plans are resolved on the background queue from a snapshot of the memory; the refresh
    // uses them while they are current and asks for new ones otherwise.
    bool smartPlanResolutionIsCurrent() const;
    void startSmartPlanResolution();
    std::optional<SmartShareAutomaticConfiguration> currentAutomaticConfiguration() const;
    std::shared_ptr<const share::SmartPlanResolution> smartPlanResolution_;
    std::optional<platform::TaskHandle<>> smartPlanResolutionTask_;
    std::string smartPlanResolutionKey_;
    ShareEnvironment env_;
    std::shared_ptr<platform::NSExtensionContext> extensionContext_;
    std::vector<platform::NotificationCenter::Observation> keyboardObservations_;
};

}  // namespace tarvo
