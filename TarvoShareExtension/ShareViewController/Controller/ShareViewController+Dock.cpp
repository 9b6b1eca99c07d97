// The two cards that frame the share screen: the hero header, first in the form, and the
// action dock pinned below it with the share's summary, the busy status, the upload progress
// and the Cancel and Send buttons.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include <algorithm>

#include "TarvoShareExtension/ShareViewController/Screen/DraftBinding.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "platform/foundation/Text.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"

namespace tarvo {

using namespace platform;

std::shared_ptr<UIStackView> ShareViewController::makeActionDock() {
    auto self = sharedSelf();
    auto dock = UIStackView::vertical(10);
    dock->role = std::string(share::roles::actionDockCard);
    dock->layoutMargins = UIEdgeInsets::all(12);
    dock->isLayoutMarginsRelativeArrangement = true;
    dock->backgroundColor = UIColor::secondarySystemGroupedBackground();
    dock->cornerRadius = 18;
    dock->borderWidth = 1;
    dock->borderColor = UIColor::separator().withAlphaComponent(0.55);
    actionDockCard = dock;

    itemsLabel->numberOfLines = 0;
    itemsLabel->font = UIFont::systemFont(12, UIFont::Weight::medium);
    itemsLabel->textColor = UIColor::secondaryLabel();
    dock->addArrangedSubview(itemsLabel);

    statusLabel->numberOfLines = 0;
    statusLabel->font = UIFont::systemFont(12, UIFont::Weight::medium);
    statusLabel->textColor = UIColor::secondaryLabel();
    spinner->setHidesWhenStopped(true);
    spinner->stopAnimating();
    auto status = UIStackView::horizontal(10, {spinner, statusLabel});
    status->alignment = UIStackView::Alignment::center;
    dock->addArrangedSubview(status);

    dock->addArrangedSubview(makeUploadProgressStack());

    cancelButton->removeAllTargets();
    cancelButton->setTitle("Cancel", UIControlState::normal);
    cancelButton->setTitleColor(UIColor::secondaryLabel(), UIControlState::normal);
    cancelButton->titleFont = UIFont::systemFont(16, UIFont::Weight::semibold);
    cancelButton->backgroundColor = UIColor::tertiarySystemGroupedBackground();
    cancelButton->cornerRadius = 14;
    cancelButton->addTarget(self, "cancelTapped", &ShareViewController::cancelTapped, UIControlEvents::touchUpInside);

    sendButton->removeAllTargets();
    sendButton->setTitleColor(UIColor::white(), UIControlState::normal);
    sendButton->setTitleColor(UIColor::white().withAlphaComponent(0.45), UIControlState::disabled);
    sendButton->titleFont = UIFont::systemFont(17, UIFont::Weight::bold);
    sendButton->backgroundColor = UIColor::systemBlue();
    sendButton->cornerRadius = 14;
    sendButton->addTarget(self, "sendTapped", &ShareViewController::sendTapped, UIControlEvents::touchUpInside);

    auto buttons = UIStackView::horizontal(10, {cancelButton, sendButton});
    buttons->distribution = UIStackView::Distribution::fillEqually;
    buttons->minimumHeight = 48;
    dock->addArrangedSubview(buttons);
    return dock;
}

std::shared_ptr<UIStackView> ShareViewController::makeHeroHeader() {
    auto card = UIStackView::vertical(5);
    card->role = std::string(share::roles::heroHeaderCard);
    card->layoutMargins = {11, 13, 11, 13};
    card->isLayoutMarginsRelativeArrangement = true;
    card->backgroundColor = UIColor::secondarySystemGroupedBackground();
    card->cornerRadius = 18;
    card->borderWidth = 1;
    card->borderColor = UIColor::separator().withAlphaComponent(0.55);
    heroHeaderCard = card;

    titleLabel->font = UIFont::systemFont(21, UIFont::Weight::bold);
    titleLabel->textColor = UIColor::label();
    titleLabel->numberOfLines = 2;
    heroSubtitleLabel->numberOfLines = 2;
    heroSubtitleLabel->font = UIFont::monospacedSystemFont(12, UIFont::Weight::medium);
    heroSubtitleLabel->textColor = UIColor::secondaryLabel();
    card->addArrangedSubview(titleLabel);
    card->addArrangedSubview(heroSubtitleLabel);
    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();
    return card;
}

std::string ShareViewController::payloadDisplayTitle() const {
    std::vector<std::optional<std::string>> names;
    names.reserve(providers.size());
    for (const auto& provider : providers) names.push_back(provider ? provider->suggestedName() : std::nullopt);
    return share::payloadDisplayTitle(share::payloadFacts(artifactInsight, std::move(names)));
}

std::string ShareViewController::payloadSizeLine() const {
    share::PayloadFacts facts = share::payloadFacts(artifactInsight, {});
    facts.suggestedNames.resize(providers.size());
    return share::payloadSizeLine(facts);
}

std::string ShareViewController::friendlySourceLabel() const { return share::friendlySourceLabel(sourceBundleID); }

std::string ShareViewController::heroTitleLine() const {
    std::optional<ServerProfile> active;
    if (serverMode == ServerMode::single && !share::findServer(servers, draft.serverId)) {
        active = SharedServerConfig::loadActiveServer(*defaults);
    }
    return share::heroTitleLine(payloadDisplayTitle(), linkedDeployment.has_value(), serverMode,
                                share::serverLabel(servers, draft.serverId, active),
                                share::countedSelectedServers(servers, selectedServerIDs));
}

std::string ShareViewController::heroSubtitleLine() const {
    return share::joinedNonEmptyParts({friendlySourceLabel(), payloadSizeLine(),
                                       share::projectProofLine(serverRecommendationsByServer)});
}

}  // namespace tarvo

namespace tarvo {

// ---- The dock's summary lines and the advanced options' subtitle.

std::optional<std::string> ShareViewController::compactScriptSummary(const Draft& d) const {
    if (d.action != ShareAction::upload || !share::runsCommand(d.postUploadAction)) return std::nullopt;
    return share::compactScriptSummary(d, selectedArtifactCandidates(d));
}

std::string ShareViewController::compactAdvancedSummary() const { return share::compactAdvancedSummary(draft); }

std::vector<std::string> ShareViewController::selectedServerLabels(std::size_t limit) const {
    return share::selectedServerLabels(servers, selectedServerIDs, limit);
}

namespace {

share::DockFacts dockFacts(const ShareViewController& c) {
    share::DockFacts f;
    f.payloadTitle = c.payloadDisplayTitle();
    f.linked = c.linkedDeployment.has_value();
    f.linkedTargetCount = c.selectedLinkedTargetIDs.size();
    f.mode = c.serverMode;
    f.draftActionTitle = share::actionTitle(c.draft);
    std::optional<ServerProfile> active;
    if (!share::findServer(c.servers, c.draft.serverId)) active = SharedServerConfig::loadActiveServer(*c.defaults);
    f.serverLabel = share::serverLabel(c.servers, c.draft.serverId, active);
    f.countedSelected = share::countedSelectedServers(c.servers, c.selectedServerIDs);
    f.destFolder = c.draft.destFolder;
    f.scriptSummary = c.compactScriptSummary(c.draft);
    f.upload = c.draft.action == share::ShareAction::upload;
    f.defaultKind = share::defaultKind(c.typeKey);
    f.selectedLabels = c.selectedServerLabels(4);
    return f;
}

}  // namespace

std::string ShareViewController::dockSummaryLine() const { return share::dockSummaryLine(dockFacts(*this)); }

std::string ShareViewController::dockDetailLine() const { return share::dockDetailLine(dockFacts(*this)); }

}  // namespace tarvo
