// The NVK sidecar tickets shared beside the payload and the linked, exact-version deployment
// they describe: loading the tickets, the card that shows the batch, falling back to the
// regular deploy, and carrying out the approved batch.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

Async<void> ShareViewController::loadLinkedDeploymentSidecar() { co_return; }

Async<void> ShareViewController::loadInteractionReplySidecar() { co_return; }

Async<void> ShareViewController::runLinkedDeployment() { co_return; }

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

void ShareViewController::useRegularTarvoDeployTapped() {}

}  // namespace tarvo
