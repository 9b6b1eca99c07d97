#include "platform/uikit/UITextView.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace platform {

std::shared_ptr<UITextView> UITextView::make() {
    auto v = std::make_shared<UITextView>();
    v->userInteractionEnabled = true;
    return v;
}

bool UITextView::typeKey(const std::string& key) {
    NSRange range = clampedRange(text, selectedRange);
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) {
        if (!d->textViewShouldChangeText(*this, range, key)) return false;
    }
    range = clampedRange(text, range);
    text.replace(range.location, range.length, key);
    selectedRange = {range.location + key.size(), 0};
    if (auto d = delegate.lock()) d->textViewDidChange(*this);
    return true;
}

void UITextView::insertText(const std::string& inserted) {
    const NSRange range = clampedRange(text, selectedRange);
    text.replace(range.location, range.length, inserted);
    selectedRange = {range.location + inserted.size(), 0};
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->textViewDidChange(*this);
}

bool UITextView::replaceAllText(const std::string& replacement) {
    selectedRange = {0, text.size()};
    return typeKey(replacement);
}

CGRect UITextView::caretRect(std::size_t position) const {
    position = clampedRange(text, {position, 0}).location;
    const std::string before = text.substr(0, position);
    const auto lineStart = before.rfind('\n');
    const double line = static_cast<double>(std::count(before.begin(), before.end(), '\n'));
    const std::string column = lineStart == std::string::npos ? before : before.substr(lineStart + 1);
    const double x = textContainerInset.left + static_cast<double>(text::graphemeCount(column)) * font.characterWidth();
    const double y = textContainerInset.top + line * font.lineHeight();
    return CGRect(x, y, 2, font.lineHeight());
}

double UITextView::nominalHeight(double width) const {
    const double lines = static_cast<double>(std::count(text.begin(), text.end(), '\n') + 1);
    return textContainerInset.top + lines * font.lineHeight() + textContainerInset.bottom;
}

bool UITextView::shouldBeginEditing() {
    if (auto d = delegate.lock()) return d->textViewShouldBeginEditing(*this);
    return true;
}

void UITextView::didBeginEditing() {
    selectedRange = clampedRange(text, selectedRange);
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->textViewDidBeginEditing(*this);
}

bool UITextView::shouldEndEditing() {
    if (auto d = delegate.lock()) return d->textViewShouldEndEditing(*this);
    return true;
}

void UITextView::didEndEditing() {
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->textViewDidEndEditing(*this);
}

}  // namespace platform
