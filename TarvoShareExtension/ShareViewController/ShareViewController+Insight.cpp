// The artifact insight: the background scan of the payload and the card that shows what it
// found (state, entry rail of scripts, details).
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::updateArtifactInsightCard(bool animated) {}

std::shared_ptr<UIStackView> ShareViewController::makeArtifactInsightCard() {
    artifactCard->removeAllArrangedSubviews();
    artifactCard->axis = UIStackView::Axis::vertical;
    artifactCard->spacing = 6;
    artifactCard->layoutMargins = {8, 10, 8, 10};
    artifactCard->isLayoutMarginsRelativeArrangement = true;
    artifactCard->cornerRadius = 14;
    artifactCard->borderWidth = 1;
    artifactCard->borderColor = UIColor::separator().withAlphaComponent(0.22);
    artifactCard->backgroundColor = UIColor::secondarySystemGroupedBackground();
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

}  // namespace tarvo
