// The smart-share plan: the remembered preset of the project for each server, its card and
// applying it, and saving the current configuration as the project's automatic one.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::refreshSmartSharePlan(bool autoApply) {}

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
    // The card shows only while a plan is in force.
    smartPlanCard->hidden = !smartSharePlan.has_value();
}

void ShareViewController::applySmartSharePlanTapped() {}

void ShareViewController::makeCurrentConfigurationAutomaticTapped() {}

}  // namespace tarvo
