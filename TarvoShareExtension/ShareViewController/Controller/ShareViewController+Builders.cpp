// The small builders that fix the look of recurring elements of the share screen: section
// labels, server-group headers, toggle rows, greyed-out rows, count and evidence badges, and
// the dock's upload progress block. Each returns a fresh view, except the progress block,
// which is the controller's own.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Screen/BadgeText.h"
#include "platform/uikit/UIImageView.h"

namespace tarvo {

using namespace platform;

namespace {

// Badges never stretch or shrink in a row.
void holdBadgeWidth(UIView& badge) {
    badge.horizontalHuggingPriority = 1000;
    badge.horizontalCompressionResistance = 1000;
}

}  // namespace

std::shared_ptr<UILabel> ShareViewController::makeSectionLabel(std::string text) const {
    auto label = UILabel::make(std::move(text));
    label->font = UIFont::systemFont(12, UIFont::Weight::bold);
    label->textColor = UIColor::secondaryLabel();
    return label;
}

std::shared_ptr<UILabel> ShareViewController::makeServerSectionHeader(std::string text) const {
    auto label = UILabel::make(std::move(text));
    label->font = UIFont::systemFont(11, UIFont::Weight::bold);
    label->textColor = UIColor::secondaryLabel();
    label->numberOfLines = 1;
    return label;
}

std::shared_ptr<UIView> ShareViewController::makeToggleRow(const std::shared_ptr<UILabel>& label,
                                                           const std::shared_ptr<UISwitch>& control) const {
    label->numberOfLines = 2;
    label->font = UIFont::systemFont(14, UIFont::Weight::medium);
    label->textColor = UIColor::label();
    auto row = UIStackView::horizontal(12, {label, UIView::make(), control});
    row->alignment = UIStackView::Alignment::center;
    row->layoutMargins = {10, 12, 10, 12};
    row->isLayoutMarginsRelativeArrangement = true;
    row->backgroundColor = UIColor::tertiarySystemGroupedBackground();
    row->cornerRadius = 14;
    row->borderWidth = 1;
    row->borderColor = UIColor::separator().withAlphaComponent(0.45);
    return row;
}

std::shared_ptr<UIView> ShareViewController::makeDisabledCompactRow(std::string title, std::string subtitle) const {
    auto titleLabel = UILabel::make(std::move(title));
    titleLabel->font = UIFont::systemFont(14, UIFont::Weight::semibold);
    titleLabel->textColor = UIColor::secondaryLabel();
    titleLabel->numberOfLines = 1;
    auto subtitleLabel = UILabel::make(std::move(subtitle));
    subtitleLabel->font = UIFont::systemFont(12);
    subtitleLabel->textColor = UIColor::tertiaryLabel();
    subtitleLabel->numberOfLines = 2;
    auto row = UIStackView::vertical(2, {titleLabel, subtitleLabel});
    row->layoutMargins = {8, 10, 8, 10};
    row->isLayoutMarginsRelativeArrangement = true;
    row->backgroundColor = UIColor::tertiarySystemGroupedBackground();
    row->cornerRadius = 12;
    return row;
}

std::shared_ptr<UILabel> ShareViewController::makeScriptCountBadge(std::int64_t count) const {
    auto badge = PaddingLabel::make(std::to_string(count));
    badge->font = UIFont::systemFont(10, UIFont::Weight::bold);
    badge->textColor = UIColor::systemBlue();
    badge->backgroundColor = UIColor::systemBlue().withAlphaComponent(0.14);
    badge->cornerRadius = 8;
    badge->borderWidth = 1;
    badge->borderColor = UIColor::systemBlue().withAlphaComponent(0.24);
    badge->clipsToBounds = true;
    badge->numberOfLines = 1;
    holdBadgeWidth(*badge);
    return badge;
}

std::shared_ptr<UILabel> ShareViewController::makeRecipeOriginBadge(std::string text) const {
    auto badge = PaddingLabel::make(std::move(text));
    badge->font = UIFont::systemFont(9, UIFont::Weight::bold);
    badge->textColor = UIColor::secondaryLabel();
    badge->backgroundColor = UIColor::secondaryLabel().withAlphaComponent(0.10);
    badge->cornerRadius = 8;
    badge->continuousCorners = true;
    badge->clipsToBounds = true;
    badge->numberOfLines = 1;
    holdBadgeWidth(*badge);
    return badge;
}

std::shared_ptr<UIView> ShareViewController::makeSuccessCountBadge(std::int64_t count, bool exact) const {
    auto symbol = UIImageView::make(share::successBadgeSymbolName(exact));
    symbol->tintColor = UIColor::systemGreen();
    symbol->contentMode = UIImageView::ContentMode::scaleAspectFit;
    symbol->fixedWidth = 12;
    symbol->fixedHeight = 12;
    auto number = UILabel::make(std::to_string(count));
    number->font = UIFont::monospacedDigitSystemFont(10, UIFont::Weight::bold);
    number->textColor = UIColor::systemGreen();
    number->numberOfLines = 1;
    auto badge = UIStackView::horizontal(3, {symbol, number});
    badge->alignment = UIStackView::Alignment::center;
    badge->isLayoutMarginsRelativeArrangement = true;
    badge->layoutMargins = {3, 5, 3, 6};
    badge->backgroundColor = UIColor::systemGreen().withAlphaComponent(0.13);
    badge->cornerRadius = 9;
    badge->continuousCorners = true;
    badge->borderWidth = 1;
    badge->borderColor = UIColor::systemGreen().withAlphaComponent(0.24);
    holdBadgeWidth(*badge);
    badge->isAccessibilityElement = true;
    badge->accessibilityLabel = share::successBadgeAccessibilityLabel(count, exact);
    return badge;
}

std::optional<std::string> ShareViewController::compactSuccessBadge(const ArtifactShellCandidate& candidate) const {
    return share::compactSuccessBadge(candidate.evidence);
}

std::shared_ptr<UIStackView> ShareViewController::makeUploadProgressStack() {
    uploadProgressStack->removeAllArrangedSubviews();
    uploadProgressStack->axis = UIStackView::Axis::vertical;
    uploadProgressStack->spacing = 6;
    uploadProgressStack->hidden = true;
    uploadProgressView->setProgress(0, false);
    uploadProgressLabel->numberOfLines = 0;
    uploadProgressLabel->font = UIFont::systemFont(12);
    uploadProgressLabel->textColor = UIColor::secondaryLabel();
    uploadProgressLabel->text.clear();
    uploadProgressStack->addArrangedSubview(uploadProgressView);
    uploadProgressStack->addArrangedSubview(uploadProgressLabel);
    return uploadProgressStack;
}

}  // namespace tarvo
