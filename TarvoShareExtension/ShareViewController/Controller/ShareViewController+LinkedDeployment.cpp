// The NVK sidecar tickets shared beside the payload and the linked, exact-version deployment
// they describe: loading the tickets, the card that shows the batch, falling back to the
// regular deploy, the target cards, and carrying out the approved batch.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include <exception>
#include <variant>

#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentApproval.h"
#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentText.h"
#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/net/URLSession.h"
#include "platform/uikit/AlertChoice.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UIMenu.h"

namespace tarvo {

using namespace platform;

// ---- Tickets.

std::optional<ShareViewController::DecodedNVKSidecar> ShareViewController::decodeNVKSidecar(const TempItem& item) const {
    return share::decodeNVKSidecar(item, share::epochMilliseconds(env_.clock.now()));
}

Async<void> ShareViewController::loadLinkedDeploymentSidecar() {
    // A copy: the fall-back button may empty the list while an item is being materialised.
    const ProviderList candidates = deploymentSidecarProviders;
    for (const auto& provider : candidates) {
        std::optional<TempItem> item;
        try {
            Async<TempItem> materializing =
                materializedItems.materialize(provider, env_.temporaryDirectory, MaterializeOptions{}, mainExecutor());
            item = co_await std::move(materializing);
        } catch (const std::exception&) {
            continue;  // the next provider may still hold the ticket
        }
        const auto decoded = decodeNVKSidecar(*item);
        if (decoded && std::holds_alternative<NVKLinkedDeployment>(*decoded)) {
            applyNVKSidecar(*decoded);
            co_return;
        }
    }
    unreadableTicketNotice = std::string(share::kUnreadableDeploymentTicketText);
    statusLabel->text = unreadableTicketNotice;
}

Async<void> ShareViewController::loadInteractionReplySidecar() {
    const ProviderList candidates = returnSidecarProviders;
    for (const auto& provider : candidates) {
        std::optional<TempItem> item;
        try {
            Async<TempItem> materializing =
                materializedItems.materialize(provider, env_.temporaryDirectory, MaterializeOptions{}, mainExecutor());
            item = co_await std::move(materializing);
        } catch (const std::exception&) {
            continue;
        }
        const auto decoded = decodeNVKSidecar(*item);
        if (decoded && std::holds_alternative<NVKInteractionReplyTicket>(*decoded)) {
            applyNVKSidecar(*decoded);
            co_return;
        }
    }
}

void ShareViewController::applyNVKSidecar(const DecodedNVKSidecar& sidecar) {
    ServerStackBatch batch(*this);
    if (const auto* reply = std::get_if<NVKInteractionReplyTicket>(&sidecar)) {
        interactionReply = *reply;
        returnResultSwitch->setOn(true);
        returnResultLabel->text = share::returnResultLabelText(*reply);
        returnResultRow->hidden = false;
        refreshDerivedUI();
        return;
    }
    const auto& deployment = std::get<NVKLinkedDeployment>(sidecar);
    availableLinkedDeployment = deployment;
    // Judged with the insight as it is now: before the scan has found the project there is no
    // remembered configuration to prefer the regular deploy.
    const auto configuration = smartShareMemory->resolveAutomaticConfiguration(artifactInsight.projectSignature);
    if (!configuration || !configuration->preferRegularForLinkedDeployment) {
        linkedDeployment = deployment;
        selectedLinkedTargetIDs = share::preselectedLinkedTargetIDs(deployment);
        // The remembered server mode in the settings stays as it is.
        serverMode = ServerMode::multi;
        serverModeControl->selectedSegmentIndex = 1;
        linkedDeploymentTitleLabel->text = std::string(share::kLinkedDeploymentTitle);
        linkedDeploymentSubtitleLabel->text = share::linkedDeploymentSubtitle(deployment);
        rebuildMultiServerStack();
    } else {
        linkedDeployment.reset();
        selectedLinkedTargetIDs.clear();
        // The remembered server mode, selection and dispatch mode take the batch's place; the
        // server button follows the server they may have put on the screen.
        applyRememberedAutomaticConfigurationIfNeeded();
        configureServerButton();
        rebuildMultiServerStack();
    }
    refreshDerivedUI();
    // After the refresh, which writes the dock's detail line: the ticket's outcome is what the
    // person reads until the next change.
    statusLabel->text = linkedDeployment ? share::linkedDeploymentStatus(deployment.targets.size())
                                         : std::string(share::kSavedPresetInsteadOfBatchText);
}

void ShareViewController::useRegularTarvoDeployTapped() {
    if (!linkedDeployment || isBusy) return;
    ServerStackBatch batch(*this);
    availableLinkedDeployment = std::move(linkedDeployment);
    linkedDeployment.reset();
    selectedLinkedTargetIDs.clear();
    deploymentSidecarProviders.clear();
    serverMode = share::storedServerMode(defaults->string("share.serverMode"));
    serverModeControl->selectedSegmentIndex = serverMode == ServerMode::multi ? 1 : 0;
    rebuildMultiServerStack();
    refreshDerivedUI();
    statusLabel->text = std::string(share::kRegularDeployEnabledText);
}

// ---- Carrying out the batch.

namespace {

std::string describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return describeError(e);
    } catch (...) {
        return "An unknown error occurred.";
    }
}

}  // namespace

Async<void> ShareViewController::runLinkedDeployment() {
    if (!linkedDeployment) {
        setBusy(false, std::string(share::kLinkedContextUnavailableText));
        co_return;
    }
    const NVKLinkedDeployment deployment = *linkedDeployment;
    const std::vector<NVKLinkedTarget> eligible = share::eligibleLinkedTargets(deployment, selectedLinkedTargetIDs);
    if (eligible.empty()) {
        setBusy(false, std::string(share::kSelectUnfinishedTargetText));
        co_return;
    }
    std::exception_ptr failure;
    std::size_t dispatched = 0;
    try {
        if (multiDispatchMode == MultiDispatchMode::all) {
            // The tap on Send is the approval of every eligible target.
            std::vector<std::string> ids;
            for (const auto& target : eligible) ids.push_back(target.id);
            co_await approveLinkedDeployment(deployment, std::move(ids));
            dispatched = eligible.size();
        } else {
            for (std::size_t i = 0; i < eligible.size(); ++i) {
                if (co_await isCancelled()) co_return;
                const bool approved = co_await requestLinkedTargetApproval(eligible[i], i + 1, eligible.size());
                // The question has no time-out; a Cancel meanwhile ends the run without a word.
                if (co_await isCancelled()) co_return;
                if (!approved) continue;
                std::vector<std::string> one{eligible[i].id};
                co_await approveLinkedDeployment(deployment, std::move(one));
                ++dispatched;
                statusLabel->text = share::linkedDispatchedStatus(dispatched, eligible.size());
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // A send cancelled meanwhile ends without a word: neither a failure nor a dispatched batch.
    if (co_await isCancelled()) co_return;
    if (failure) {
        setBusy(false, share::linkedDeploymentFailureText(describeFailure(failure)));
        co_return;
    }
    if (dispatched < 1) {
        setBusy(false, std::string(share::kNoTargetApprovedText));
        co_return;
    }
    // Named, not a temporary: GCC 12 loses the frame of a suspended member coroutine called with one.
    std::string message = share::linkedDispatchSuccessText(returnResultSwitch->on, interactionReply);
    co_await finishSuccessfulShare(std::move(message));
}

Async<bool> ShareViewController::requestLinkedTargetApproval(NVKLinkedTarget target, std::size_t ordinal,
                                                             std::size_t total) {
    auto alert = UIAlertController::make(share::linkedApprovalTitle(ordinal, total),
                                         share::linkedApprovalMessage(target), UIAlertController::Style::alert);
    alert->addAction(UIAlertAction::make(std::string(share::kSkipTitle), UIAlertAction::Style::cancel));
    alert->addAction(UIAlertAction::make(std::string(share::kDeployTitle), UIAlertAction::Style::defaultStyle));
    auto keepAlive = sharedSelf();
    const std::optional<std::string> choice = co_await presentAlertAndWaitForChoice(*this, alert, env_.mainQueue);
    co_return choice && *choice == share::kDeployTitle;
}

std::optional<Json> ShareViewController::interactionReplyObject() const {
    if (!interactionReply) return std::nullopt;
    return share::interactionReplyJson(*interactionReply);
}

Async<void> ShareViewController::approveLinkedDeployment(NVKLinkedDeployment deployment,
                                                         std::vector<std::string> targetIDs) {
    // Invalid before any traffic: the error of code 41.
    const std::string address = share::linkedApprovalRequestURL(deployment.capabilityURL);
    const std::optional<URL> url = URL::parse(address);
    if (!url) {
        throw NSError(std::string(share::kShareErrorDomain), share::kInvalidCapabilityURLCode,
                      std::string(share::kInvalidCapabilityURLText));
    }
    URLRequest request(*url, URLRequest::CachePolicy::useProtocolCachePolicy,
                       share::kLinkedApprovalRequestTimeoutSeconds);
    request.httpMethod = "POST";
    request.setValue("application/json; charset=utf-8", "Content-Type");
    request.setValue("application/json", "Accept");
    const std::optional<Json> reply = returnResultSwitch->on ? interactionReplyObject() : std::nullopt;
    const std::string body = share::linkedApprovalBody(targetIDs, reply);
    request.httpBody = std::vector<std::uint8_t>(body.begin(), body.end());

    // A session of its own, nothing kept: 45 seconds without progress, 60 in all.
    URLSessionConfiguration configuration = URLSessionConfiguration::ephemeral();
    configuration.timeoutIntervalForRequest = share::kLinkedApprovalRequestTimeoutSeconds;
    configuration.timeoutIntervalForResource = share::kLinkedApprovalResourceTimeoutSeconds;
    auto session = URLSession::make(configuration);
    const URLSessionDataResult result = co_await session->data(std::move(request));
    const int status = result.response ? result.response->statusCode : 0;
    if (result.response && status >= 200 && status <= 299) co_return;
    throw share::linkedApprovalRefusal(status, result.data);
}

// ---- The linked-deployment card, the target cards and the deploy-set card.

std::shared_ptr<UIStackView> ShareViewController::makeLinkedDeploymentCard() {
    linkedDeploymentCard->removeAllArrangedSubviews();
    linkedDeploymentCard->axis = UIStackView::Axis::vertical;
    linkedDeploymentCard->spacing = 9;
    linkedDeploymentCard->layoutMargins = UIEdgeInsets::all(13);
    linkedDeploymentCard->isLayoutMarginsRelativeArrangement = true;
    linkedDeploymentCard->backgroundColor = UIColor::systemGreen().withAlphaComponent(0.10);
    linkedDeploymentCard->cornerRadius = 16;
    linkedDeploymentCard->continuousCorners = true;
    linkedDeploymentCard->borderWidth = 1;
    linkedDeploymentCard->borderColor = UIColor::systemGreen().withAlphaComponent(0.35);
    // Shown by the derived refresh while a linked deployment is in force.
    linkedDeploymentCard->hidden = true;
    linkedDeploymentTitleLabel->font = UIFont::systemFont(16, UIFont::Weight::semibold);
    linkedDeploymentTitleLabel->textColor = UIColor::label();
    linkedDeploymentTitleLabel->numberOfLines = 2;
    linkedDeploymentSubtitleLabel->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    linkedDeploymentSubtitleLabel->textColor = UIColor::secondaryLabel();
    linkedDeploymentSubtitleLabel->numberOfLines = 0;
    auto fallback = UIButtonConfiguration::gray();
    fallback.title = "Use regular Tarvo deploy";
    fallback.subtitle = "Choose servers and predicted scripts instead";
    fallback.image = "slider.horizontal.3";
    fallback.imagePadding = 8;
    fallback.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    fallback.contentInsets = UIEdgeInsets{9, 11, 9, 11};
    linkedDeploymentFallbackButton->configuration = fallback;
    linkedDeploymentFallbackButton->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
    linkedDeploymentFallbackButton->removeAllTargets();
    linkedDeploymentFallbackButton->removeAllActions();
    linkedDeploymentFallbackButton->addTarget(sharedSelf(), "useRegularTarvoDeployTapped",
                                              &ShareViewController::useRegularTarvoDeployTapped,
                                              UIControlEvents::touchUpInside);
    linkedDeploymentCard->addArrangedSubview(linkedDeploymentTitleLabel);
    linkedDeploymentCard->addArrangedSubview(linkedDeploymentSubtitleLabel);
    linkedDeploymentCard->addArrangedSubview(linkedDeploymentFallbackButton);
    return linkedDeploymentCard;
}

std::shared_ptr<UIStackView> ShareViewController::makeLinkedDeploymentTargetCard(const NVKLinkedTarget& target) {
    auto title = UILabel::make(share::linkedTargetTitle(target));
    title->font = UIFont::systemFont(15, UIFont::Weight::semibold);
    title->textColor = UIColor::label();
    title->numberOfLines = 2;
    title->horizontalCompressionResistance = 250;

    auto shield = UIImageView::make("lock.shield.fill");
    shield->tintColor = UIColor::systemGreen();
    shield->contentMode = UIImageView::ContentMode::scaleAspectFit;
    shield->fixedWidth = 20;
    shield->fixedHeight = 20;
    shield->horizontalHuggingPriority = 1000;
    shield->horizontalCompressionResistance = 1000;

    const share::LinkedTargetCapsule look = share::linkedTargetCapsule(target, selectedLinkedTargetIDs, isBusy);
    auto configuration = UIButtonConfiguration::tinted();
    configuration.cornerStyle = UIButtonConfiguration::CornerStyle::capsule;
    configuration.imagePadding = 4;
    configuration.contentInsets = UIEdgeInsets{7, 9, 7, 9};
    configuration.title = look.title;
    configuration.image = look.image;
    if (look.done) {
        configuration.baseBackgroundColor = UIColor::systemGreen();
        configuration.baseForegroundColor = UIColor::white();
    } else if (look.prominent) {
        configuration.baseBackgroundColor = UIColor::systemBlue();
        configuration.baseForegroundColor = UIColor::white();
    } else {
        configuration.baseBackgroundColor = UIColor::secondarySystemFill();
        configuration.baseForegroundColor = UIColor::label();
    }
    auto capsule = UIButton::make(configuration);
    capsule->role = share::roles::linkedTarget(target.id);
    capsule->enabled = look.enabled;
    capsule->horizontalHuggingPriority = 1000;
    capsule->horizontalCompressionResistance = 1000;
    capsule->accessibilityLabel = share::linkedTargetAccessibilityLabel(target, look);
    auto toggle = UIAction::make("", [weak = weakSelf(), id = target.id] {
        auto self = weak.lock();
        if (!self) return;
        if (!self->selectedLinkedTargetIDs.erase(id)) self->selectedLinkedTargetIDs.insert(id);
        self->rebuildMultiServerStack();
        self->refreshDerivedUI();
    });
    capsule->addAction(toggle, UIControlEvents::touchUpInside);

    auto header = UIStackView::horizontal(8, {title, UIView::make(), shield, capsule});
    header->alignment = UIStackView::Alignment::center;

    auto detail = UILabel::make(share::linkedTargetDetail(target));
    detail->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    detail->textColor = UIColor::secondaryLabel();
    detail->numberOfLines = 0;
    detail->lineBreakMode = NSLineBreakMode::byWordWrapping;

    auto card = UIStackView::vertical(7, {header, detail});
    card->role = share::roles::linkedTargetCard(target.id);
    card->alignment = UIStackView::Alignment::fill;
    card->isLayoutMarginsRelativeArrangement = true;
    card->layoutMargins = UIEdgeInsets{11, 12, 11, 12};
    card->backgroundColor = UIColor::systemGreen().withAlphaComponent(0.07);
    card->cornerRadius = 14;
    card->continuousCorners = true;
    card->borderWidth = 1;
    card->borderColor = UIColor::systemGreen().withAlphaComponent(0.18);
    return card;
}

std::shared_ptr<UIStackView> ShareViewController::makeDeploySetCard(const std::vector<ServerProfile>& selected) {
    std::vector<std::string> labels;
    for (const auto& server : selected) labels.push_back(server.displayLabel());
    auto title = UILabel::make(share::deploySetTitle(selected.size()));
    title->font = UIFont::systemFont(14, UIFont::Weight::semibold);
    title->textColor = UIColor::label();
    title->numberOfLines = 1;
    auto subtitle = UILabel::make(share::deploySetSubtitle(labels));
    subtitle->font = UIFont::systemFont(12, UIFont::Weight::medium);
    subtitle->textColor = UIColor::secondaryLabel();
    subtitle->numberOfLines = 2;
    auto card = UIStackView::vertical(3, {title, subtitle});
    card->role = std::string(share::roles::deploySetCard);
    card->layoutMargins = UIEdgeInsets{10, 12, 10, 12};
    card->isLayoutMarginsRelativeArrangement = true;
    card->backgroundColor = UIColor::systemBlue().withAlphaComponent(0.08);
    card->cornerRadius = 14;
    card->borderWidth = 1;
    card->borderColor = UIColor::systemBlue().withAlphaComponent(0.22);
    return card;
}

bool ShareViewController::rebuildLinkedTargetCardsIfNeeded() {
    if (!linkedDeployment) return false;
    multiServerStack->removeAllArrangedSubviews();
    for (const auto& target : linkedDeployment->targets) {
        multiServerStack->addArrangedSubview(makeLinkedDeploymentTargetCard(target));
    }
    return true;
}

void ShareViewController::applyLinkedDeploymentVisibility() {
    const bool linked = linkedDeployment.has_value();
    linkedDeploymentCard->hidden = !linked;
    actionControl->hidden = linked;
    targetSectionLabel->hidden = linked;
    openOnNextLaunchRow->hidden = linked;
    if (linked) {
        emitFieldsStack->hidden = true;
        uploadFieldsStack->hidden = true;
    }
}

}  // namespace tarvo
