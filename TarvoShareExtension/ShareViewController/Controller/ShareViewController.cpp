// The controller's life: its fields and controls at their initial values, the start-up run
// when its view has loaded (later steps read what earlier steps set, so the order matters),
// the first rendering and the teardown.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include <stdexcept>

#include "Core/PushShared.h"
#include "TarvoShareExtension/Intake/ShareInputItems.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

namespace roles = share::roles;
using namespace platform;

namespace {

template <class V>
std::shared_ptr<V> named(std::shared_ptr<V> view, std::string_view role) {
    view->role = std::string(role);
    return view;
}

std::shared_ptr<UILabel> label(std::string_view role) { return named(UILabel::make(), role); }
std::shared_ptr<UIButton> button(std::string_view role) { return named(UIButton::make(UIButton::ButtonType::system), role); }
std::shared_ptr<UIStackView> stack(std::string_view role) { return named(UIStackView::make(), role); }
std::shared_ptr<UITextField> field(std::string_view role) { return named(UITextField::make(), role); }
std::shared_ptr<UISegmentedControl> segments(std::string_view role, std::vector<std::string> titles) {
    return named(UISegmentedControl::make(std::move(titles)), role);
}

}  // namespace

std::shared_ptr<ShareViewController> ShareViewController::make(ShareEnvironment environment) {
    return std::make_shared<ShareViewController>(std::move(environment));
}

ShareViewController::ShareViewController(ShareEnvironment environment) : env_(std::move(environment)) {
    if (!env_.defaults) {
        throw std::invalid_argument("the share controller needs a defaults suite");
    }
    defaults = env_.defaults;
    smartShareMemory = std::make_shared<SmartSharePresetMemoryStore>(*env_.defaults);
    artifactScanGeneration = makeUUIDString();

    titleLabel = label(roles::titleLabel);
    heroSubtitleLabel = label(roles::heroSubtitleLabel);
    statusLabel = label(roles::statusLabel);
    spinner = named(UIActivityIndicatorView::make(), roles::spinner);
    uploadProgressStack = stack(roles::uploadProgressStack);
    uploadProgressView = named(UIProgressView::make(), roles::uploadProgressView);
    uploadProgressLabel = label(roles::uploadProgressLabel);
    cancelButton = button(roles::cancelButton);
    scrollView = named(UIScrollView::make(), roles::scrollView);
    contentStack = stack(roles::contentStack);
    linkedDeploymentCard = stack(roles::linkedDeploymentCard);
    linkedDeploymentTitleLabel = label(roles::linkedDeploymentTitleLabel);
    linkedDeploymentSubtitleLabel = label(roles::linkedDeploymentSubtitleLabel);
    linkedDeploymentFallbackButton = button(roles::linkedDeploymentFallbackButton);
    serversSectionLabel = label(roles::serversSectionLabel);
    targetSectionLabel = label(roles::targetSectionLabel);
    openOnNextLaunchRow = stack(roles::openOnNextLaunchRow);
    serverButton = button(roles::serverButton);
    serverModeControl = segments(roles::serverModeControl, {"Single", "Multi"});
    multiDispatchControl = segments(roles::multiDispatchControl, {"Deploy All", "One by One"});
    actionControl = segments(roles::actionControl, {"Emit", "Upload"});
    expectedLifetimeControl = segments(roles::expectedLifetimeControl, {"Run once", "Keep running"});
    multiServerStack = stack(roles::multiServerStack);
    makeAutomaticButton = button(roles::makeAutomaticButton);
    emitFieldsStack = stack(roles::emitFieldsStack);
    kindField = field(roles::kindField);
    replyToField = field(roles::replyToField);
    onlyAgentsField = field(roles::onlyAgentsField);
    uploadFieldsStack = stack(roles::uploadFieldsStack);
    destFolderField = field(roles::destFolderField);
    destinationSuggestionsStack = stack(roles::destinationSuggestionsStack);
    browseFolderButton = button(roles::browseFolderButton);
    postUploadButton = button(roles::postUploadButton);
    workingDirectoryButton = button(roles::workingDirectoryButton);
    workingDirectoryHelpLabel = label(roles::workingDirectoryHelpLabel);
    customWorkingDirectoryField = field(roles::customWorkingDirectoryField);
    advancedUploadOptionsButton = button(roles::advancedUploadOptionsButton);
    advancedUploadOptionsStack = stack(roles::advancedUploadOptionsStack);
    artifactCard = stack(roles::artifactCard);
    artifactTitleLabel = label(roles::artifactTitleLabel);
    artifactSubtitleLabel = label(roles::artifactSubtitleLabel);
    artifactScriptsLabel = label(roles::artifactScriptsLabel);
    artifactActionsStack = stack(roles::artifactActionsStack);
    artifactDetailsButton = button(roles::artifactDetailsButton);
    artifactDetailsLabel = label(roles::artifactDetailsLabel);
    smartPlanCard = stack(roles::smartPlanCard);
    smartPlanTitleLabel = label(roles::smartPlanTitleLabel);
    smartPlanSubtitleLabel = label(roles::smartPlanSubtitleLabel);
    smartPlanEvidenceLabel = label(roles::smartPlanEvidenceLabel);
    smartPlanApplyButton = button(roles::smartPlanApplyButton);
    readinessButton = button(roles::readinessButton);
    readinessValueField = field(roles::readinessValueField);
    notificationDisclosureButton = button(roles::notificationDisclosureButton);
    notificationOptionsStack = stack(roles::notificationOptionsStack);
    returnResultRow = stack(roles::returnResultRow);
    returnResultLabel = label(roles::returnResultLabel);
    returnResultSwitch = named(UISwitch::make(), roles::returnResultSwitch);
    deployCommandTextView = named(UITextView::make(), roles::deployCommandTextView);
    deployCommandHelpLabel = label(roles::deployCommandHelpLabel);
    replyToSmartButton = button(roles::replyToSmartButton);
    onlyAgentsSmartButton = button(roles::onlyAgentsSmartButton);
    openOnNextLaunchSwitch = named(UISwitch::make(), roles::openOnNextLaunchSwitch);
    openOnNextLaunchLabel = label(roles::openOnNextLaunchLabel);
    itemsLabel = label(roles::itemsLabel);
    sendButton = button(roles::sendButton);
}

ShareViewController::~ShareViewController() {
    // Every keyboard registration ends here, before the view controller itself goes.
    keyboardObservations_.clear();
    // Work that holds the controller weakly would otherwise go on for nothing (a plan resolved on
    // the background queue for a screen that is gone).
    for (auto* task : {&sendTask, &artifactPreviewTask, &artifactRecommendationTask, &smartPlanResolutionTask_}) {
        platform::cancelAndClear(*task);
    }
}

void ShareViewController::setExtensionContext(std::shared_ptr<NSExtensionContext> context) {
    extensionContext_ = std::move(context);
}

std::shared_ptr<ShareViewController> ShareViewController::sharedSelf() {
    return std::static_pointer_cast<ShareViewController>(shared_from_this());
}

std::weak_ptr<ShareViewController> ShareViewController::weakSelf() { return sharedSelf(); }

Executor ShareViewController::mainExecutor() const { return env_.mainQueue.executor(); }

void ShareViewController::viewDidLoad() {
    view()->backgroundColor = UIColor::systemBackground();

    if (env_.standardDefaults) {
        PushShared::_migrateFromStandardIfNeeded(SharedDefaultsKeys::appConfig(), "appcfg.migratedToAppGroup",
                                                 env_.appGroupSuiteName, env_.appGroupSuite.get(),
                                                 *env_.standardDefaults);
    }

    // The shared items, with the NVK tickets set aside: they steer the send, they are not sent.
    share::SharedItems shared = share::separateSidecars(collectProviders(extensionContext_.get()));
    deploymentSidecarProviders = std::move(shared.deploymentSidecars);
    returnSidecarProviders = std::move(shared.returnSidecars);
    providers = std::move(shared.items);

    servers = SharedServerConfig::decodeServers(defaults->string("servers.json").value_or("[]"));

    typeKey = fileTypeKey(providers);
    sourceBundleID = sourceApplicationBundleIdentifierBestEffort(extensionContext_.get());
    biasKey = makeBiasKey(typeKey, sourceBundleID);

    for (const auto& key : share::retiredDraftSettingsKeys()) defaults->removeObject(key);

    // The stored drafts come before everything that picks a draft.
    serverDraftStore = ServerDraftStore::load(*defaults);

    serverMode = share::storedServerMode(defaults->string("share.serverMode"));
    multiDispatchMode = share::storedMultiDispatchMode(defaults->string("share.multiDispatchMode"));

    draft = loadGlobalDraftFallback();
    selectedServerIDs = rememberedSelectedServerIDs(draft.serverId);

    if (serverMode == ServerMode::single) {
        if (auto remembered = rememberedSingleServerID(); remembered && *remembered != draft.serverId) {
            if (const ServerProfile* server = share::findServer(servers, *remembered)) {
                draft = draftForServer(*server, draft);
            }
        }
    } else {
        if (selectedServerIDs.empty() && !draft.serverId.empty()) selectedServerIDs = {draft.serverId};
        if (selectedServerIDs.count(draft.serverId) == 0) {
            if (const ServerProfile* first = share::firstSelectedServer(servers, selectedServerIDs)) {
                draft = draftForServer(*first, draft);
            }
        }
    }

    if (env_.window) {
        auto weak = weakSelf();
        auto& centre = env_.window->notificationCenter();
        keyboardObservations_.push_back(
            centre.addObserver(UIKeyboard::willChangeFrameNotification, [weak](const Notification& n) {
                if (auto self = weak.lock()) self->keyboardWillChangeFrame(n);
            }));
        keyboardObservations_.push_back(centre.addObserver(UIKeyboard::willHideNotification, [weak](const Notification& n) {
            if (auto self = weak.lock()) self->keyboardWillHide(n);
        }));
    }

    render();

    if (!deploymentSidecarProviders.empty()) {
        detach(mainExecutor(), weakSelf(), [](std::shared_ptr<ShareViewController> self) -> Async<void> {
            co_await self->loadLinkedDeploymentSidecar();
        });
    }
    if (!returnSidecarProviders.empty()) {
        detach(mainExecutor(), weakSelf(), [](std::shared_ptr<ShareViewController> self) -> Async<void> {
            co_await self->loadInteractionReplySidecar();
        });
    }
}

void ShareViewController::render() {
    view()->removeAllSubviews();
    buildConfigureUI();
    applyDraftToUI();
    refreshDerivedUI();
    replyToSmartButton->menu = makeSmartMenu(SmartField::replyTo);
    onlyAgentsSmartButton->menu = makeSmartMenu(SmartField::onlyAgents);
    // ---- Server rows after the draft: the first build filled the stack while the controls
    // were still blank, so the current server's row showed (and recorded) an empty draft.
    rebuildMultiServerStack();
    scheduleArtifactPreviewScanIfNeeded();
}

}  // namespace tarvo
