// The artifact insight card: what the scan made of the payload (its state while scanning, the
// project's name, the entry rail of runnable scripts to pick from, and the technical details),
// and the entry rail that an expanded server row shows too.
//
// The card is configured once per build and every refresh rebuilds its rail and texts from the
// insight and the screen's draft, so refreshes are idempotent.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"

#include <algorithm>

#include "TarvoShareExtension/ShareViewController/Presentation/ShareMood.h"
#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "platform/uikit/UIWindow.h"

namespace tarvo {

using namespace platform;

namespace {

// A tap on a chip: the candidate joins or leaves the screen's script selection and the recipe
// follows what remains selected.
void toggleChipCandidate(ShareViewController& c, const ArtifactShellCandidate& candidate) {
    ServerStackBatch batch(c);
    ShareViewController::Draft next =
        share::draftTogglingShellCandidate(c.snapshotDraftFromUI(), candidate, c.artifactInsight.shellCandidates);
    c.markRecipeTouched();
    c.draft = next;
    if (!next.serverId.empty()) c.resolvedDraftsByServer[next.serverId] = next;
    c.applyDraftFieldsWithoutRefreshing(next);
    c.persistGlobalDraft(next);
    c.updatePostUploadMenu();
    c.updateWorkingDirectoryMenu();
    c.updateArtifactInsightCard(false);
    c.rebuildMultiServerStack();
    c.refreshDerivedUI();
}

}  // namespace

bool ShareViewController::isShellCandidateSelected(const ArtifactShellCandidate& candidate) const {
    return share::isShellCandidateSelected(candidate, draft);
}

std::vector<ArtifactShellCandidate> ShareViewController::visibleEntryRailCandidates() const {
    return share::visibleEntryRailCandidates(draft, artifactInsight.shellCandidates, artifactScriptsExpanded);
}

int ShareViewController::entryGridColumnCount(const std::vector<ArtifactShellCandidate>& candidates) const {
    return share::entryGridColumnCount(candidates);
}

std::shared_ptr<UIStackView> ShareViewController::makeArtifactInsightCard() {
    artifactCard->removeAllArrangedSubviews();
    const ShareMood mood = currentShareMood();
    artifactCard->axis = UIStackView::Axis::vertical;
    artifactCard->spacing = 6;
    artifactCard->layoutMargins = {8, 10, 8, 10};
    artifactCard->isLayoutMarginsRelativeArrangement = true;
    artifactCard->cornerRadius = 14;
    artifactCard->borderWidth = 1;
    artifactCard->borderColor = mood.tint.withAlphaComponent(0.22);
    artifactCard->backgroundColor = blendedMoodSurface(mood.tint, 0.09, UIColor::secondarySystemGroupedBackground());
    artifactTitleLabel->font = UIFont::systemFont(15, UIFont::Weight::semibold);
    artifactTitleLabel->numberOfLines = 2;
    artifactSubtitleLabel->font = UIFont::systemFont(12);
    artifactSubtitleLabel->textColor = UIColor::secondaryLabel();
    artifactSubtitleLabel->numberOfLines = 0;
    artifactScriptsLabel->font = UIFont::systemFont(12, UIFont::Weight::semibold);
    artifactScriptsLabel->textColor = UIColor::secondaryLabel();
    artifactScriptsLabel->numberOfLines = 0;
    artifactActionsStack->axis = UIStackView::Axis::vertical;
    artifactActionsStack->spacing = 8;
    artifactDetailsLabel->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    artifactDetailsLabel->textColor = UIColor::secondaryLabel();
    artifactDetailsLabel->numberOfLines = 0;
    auto details = UIButtonConfiguration::plain();
    details.title = "Details";
    details.image = "chevron.right";
    details.imagePlacement = UIButtonConfiguration::ImagePlacement::leading;
    details.imagePadding = 6;
    details.contentInsets = UIEdgeInsets{2, 0, 2, 0};
    artifactDetailsButton->configuration = details;
    artifactDetailsButton->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
    artifactDetailsButton->removeAllTargets();
    artifactDetailsButton->addTarget(sharedSelf(), "toggleArtifactDetails", &ShareViewController::toggleArtifactDetails,
                                     UIControlEvents::touchUpInside);
    for (const auto& part : std::initializer_list<std::shared_ptr<UIView>>{
             artifactTitleLabel, artifactSubtitleLabel, artifactScriptsLabel, artifactActionsStack,
             artifactDetailsButton, artifactDetailsLabel}) {
        artifactCard->addArrangedSubview(part);
    }
    updateArtifactInsightCard(false);
    return artifactCard;
}

void ShareViewController::updateArtifactInsightCard(bool animated) {
    auto fill = [this] {
        const ShareMood mood = currentShareMood();
        artifactCard->backgroundColor = blendedMoodSurface(mood.tint, 0.09, UIColor::secondarySystemGroupedBackground());
        artifactCard->borderColor = mood.tint.withAlphaComponent(0.22);
        artifactActionsStack->removeAllArrangedSubviews();
        artifactTitleLabel->text = share::artifactCardTitle(artifactInsight);
        artifactDetailsLabel->hidden = !artifactDetailsExpanded;
        if (artifactDetailsButton->configuration) {
            auto configuration = *artifactDetailsButton->configuration;
            configuration.image = artifactDetailsExpanded ? "chevron.down" : "chevron.right";
            artifactDetailsButton->configuration = std::move(configuration);
        }
        const auto& state = artifactInsight.state;
        if (!state.is(ArtifactInsightState::Case::ready)) {
            artifactTitleLabel->hidden = false;
            artifactSubtitleLabel->hidden = false;
            artifactSubtitleLabel->text = share::artifactStateSubtitle(state);
            artifactScriptsLabel->text = state.is(ArtifactInsightState::Case::failed)
                                             ? "Type a command manually; no script will be inferred."
                                             : "";
            artifactDetailsButton->hidden = true;
            artifactDetailsLabel->text.clear();
            return;
        }
        artifactTitleLabel->hidden = true;
        artifactSubtitleLabel->hidden = true;
        const std::size_t total = artifactInsight.shellCandidates.size();
        if (total == 0) {
            artifactScriptsLabel->text = "Entry";
            artifactActionsStack->addArrangedSubview(
                makeDisabledCompactRow("No shell entry point", "Upload can continue without a run command."));
        } else {
            artifactScriptsLabel->text = share::artifactScriptsLine(total, selectedArtifactCandidates(draft).size(),
                                                                    visibleEntryRailCandidates().size());
            artifactActionsStack->addArrangedSubview(makeEntryRail());
        }
        artifactDetailsLabel->text = share::artifactDetailsText(artifactInsight);
        artifactDetailsButton->hidden = false;
    };
    UIWindow* window = artifactCard->window();
    if (animated && window) {
        window->animator().transition(*artifactCard, 0.18,
                                      UIViewAnimationOptions::transitionCrossDissolve |
                                          UIViewAnimationOptions::allowUserInteraction,
                                      fill);
    } else {
        fill();
    }
    rebuildDestinationSuggestions();
    refreshSmartSharePlan(true);
    titleLabel->text = heroTitleLine();
    heroSubtitleLabel->text = heroSubtitleLine();
    applyShareMoodToChrome();
}

std::shared_ptr<UIView> ShareViewController::makeEntryRail(const std::string& rowServerId) {
    auto rail = UIStackView::vertical(6);
    rail->role = rowServerId.empty() ? std::string(share::roles::entryRail) : share::roles::serverEntryRail(rowServerId);
    rail->alignment = UIStackView::Alignment::fill;
    rail->layoutMargins = {2, 0, 0, 0};
    rail->isLayoutMarginsRelativeArrangement = true;
    const std::vector<ArtifactShellCandidate> visible = visibleEntryRailCandidates();
    const int columns = entryGridColumnCount(visible);
    std::shared_ptr<UIStackView> row;
    for (std::size_t i = 0; i < visible.size(); ++i) {
        if (i % static_cast<std::size_t>(columns) == 0) {
            row = UIStackView::horizontal(6);
            row->alignment = UIStackView::Alignment::fill;
            row->distribution = UIStackView::Distribution::fillEqually;
            rail->addArrangedSubview(row);
        }
        row->addArrangedSubview(makeArtifactCandidateChip(visible[i], rowServerId));
    }
    // The last row keeps the width of a full row's chips.
    while (row && row->arrangedSubviews().size() < static_cast<std::size_t>(columns)) {
        auto filler = UIView::make();
        filler->horizontalHuggingPriority = 250;
        row->addArrangedSubview(filler);
    }
    const auto hidden = static_cast<std::int64_t>(artifactInsight.shellCandidates.size()) -
                        static_cast<std::int64_t>(visible.size());
    if (hidden > 0) {
        rail->addArrangedSubview(makeMoreEntryChip(hidden, rowServerId));
    } else if (artifactScriptsExpanded) {
        rail->addArrangedSubview(makeMoreEntryChip(0, rowServerId));
    }
    return rail;
}

std::shared_ptr<UIButton> ShareViewController::makeArtifactCandidateChip(const ArtifactShellCandidate& candidate,
                                                                       const std::string& rowServerId) {
    const bool selected = isShellCandidateSelected(candidate);
    const ShareMood mood = currentShareMood();
    auto configuration = UIButtonConfiguration::tinted();
    configuration.title = share::candidateChipTitle(candidate, selected, compactSuccessBadge(candidate));
    configuration.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    configuration.buttonSize = UIButtonConfiguration::Size::mini;
    configuration.contentInsets = UIEdgeInsets{5, 8, 5, 8};
    configuration.baseForegroundColor = UIColor::label();
    configuration.baseBackgroundColor =
        selected ? blendedMoodSurface(mood.tint, 0.34, UIColor::tertiarySystemGroupedBackground())
                 : UIColor::tertiarySystemGroupedBackground();
    configuration.titleFont = UIFont::systemFont(12, selected ? UIFont::Weight::semibold : UIFont::Weight::medium);
    configuration.titleLineBreakMode = NSLineBreakMode::byTruncatingMiddle;
    auto chip = UIButton::make(configuration, UIAction::make("", [weak = weakSelf(), candidate] {
                                   if (auto self = weak.lock()) toggleChipCandidate(*self, candidate);
                               }));
    chip->role = rowServerId.empty() ? share::roles::entryChip(candidate.path)
                                    : share::roles::serverEntryChip(rowServerId, candidate.path);
    chip->titleMinimumScaleFactor = 0.78;
    chip->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::fill;
    chip->cornerRadius = 11;
    chip->continuousCorners = true;
    chip->borderWidth = selected ? 1.2 : 0.7;
    chip->borderColor = selected ? mood.tint.withAlphaComponent(0.72) : UIColor::separator().withAlphaComponent(0.34);
    chip->fixedHeight = 34;
    return chip;
}

std::shared_ptr<UIButton> ShareViewController::makeMoreEntryChip(std::int64_t hiddenCount, const std::string& rowServerId) {
    auto configuration = UIButtonConfiguration::tinted();
    configuration.title = share::moreEntryChipTitle(artifactScriptsExpanded, hiddenCount);
    configuration.image = artifactScriptsExpanded ? "chevron.up" : "line.3.horizontal.decrease.circle";
    configuration.imagePlacement = UIButtonConfiguration::ImagePlacement::leading;
    configuration.imagePadding = 6;
    configuration.buttonSize = UIButtonConfiguration::Size::mini;
    configuration.contentInsets = UIEdgeInsets{6, 9, 6, 9};
    configuration.baseBackgroundColor = UIColor::secondarySystemGroupedBackground();
    configuration.baseForegroundColor = UIColor::label();
    auto chip = UIButton::make(configuration, UIAction::make("", [weak = weakSelf()] {
                                   auto self = weak.lock();
                                   if (!self) return;
                                   self->artifactScriptsExpanded = !self->artifactScriptsExpanded;
                                   self->updateArtifactInsightCard(false);
                                   self->rebuildMultiServerStack();
                               }));
    chip->role = rowServerId.empty() ? std::string(share::roles::moreEntriesChip)
                                    : share::roles::serverMoreEntriesChip(rowServerId);
    chip->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
    chip->fixedHeight = 32;
    return chip;
}

}  // namespace tarvo
