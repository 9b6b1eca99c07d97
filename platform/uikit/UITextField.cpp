#include "platform/uikit/UITextField.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace platform {

std::shared_ptr<UITextField> UITextField::make(std::string placeholder) {
    auto f = std::make_shared<UITextField>();
    f->placeholder = std::move(placeholder);
    return f;
}

void UITextField::setRightView(std::shared_ptr<UIView> view) {
    if (rightView_ == view) return;
    if (rightView_ && rightView_->superview().get() == this) {
        auto old = rightView_;
        rightView_.reset();
        old->removeFromSuperview();
    }
    rightView_ = std::move(view);
    if (rightView_) addSubview(rightView_);
}

void UITextField::didRemoveSubview(UIView& view) {
    if (rightView_.get() == &view) rightView_.reset();
}

bool UITextField::showsRightView() const {
    if (!rightView_) return false;
    switch (rightViewMode) {
        case ViewMode::never: return false;
        case ViewMode::always: return true;
        case ViewMode::whileEditing: return isEditing();
        case ViewMode::unlessEditing: return !isEditing();
    }
    return false;
}

bool UITextField::change(NSRange range, const std::string& replacement) {
    range = clampedRange(text, range);
    if (auto d = delegate.lock()) {
        if (!d->textFieldShouldChangeCharacters(*this, range, replacement)) return false;
    }
    range = clampedRange(text, range);  // the delegate may have changed the text
    text.replace(range.location, range.length, replacement);
    selectedRange = {range.location + replacement.size(), 0};
    sendActions(UIControlEvents::editingChanged);
    return true;
}

bool UITextField::typeKey(const std::string& key) { return change(selectedRange, key); }

bool UITextField::replaceAllText(const std::string& replacement) { return change({0, text.size()}, replacement); }

void UITextField::pressReturn() {
    bool agreed = true;
    if (auto d = delegate.lock()) agreed = d->textFieldShouldReturn(*this);
    if (agreed) sendActions(UIControlEvents::editingDidEndOnExit);
}

bool UITextField::shouldBeginEditing() {
    if (auto d = delegate.lock()) return d->textFieldShouldBeginEditing(*this);
    return true;
}

void UITextField::didBeginEditing() {
    selectedRange = {text.size(), 0};
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->textFieldDidBeginEditing(*this);
    sendActions(UIControlEvents::editingDidBegin);
}

bool UITextField::shouldEndEditing() {
    if (auto d = delegate.lock()) return d->textFieldShouldEndEditing(*this);
    return true;
}

void UITextField::didEndEditing() {
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->textFieldDidEndEditing(*this);
    sendActions(UIControlEvents::editingDidEnd);
}

double UITextField::nominalWidth() const {
    const std::string& shown = text.empty() ? placeholder : text;
    double w = static_cast<double>(text::graphemeCount(shown)) * font.characterWidth() + 14;
    if (rightView_) w += rightView_->layoutWidth();
    return w;
}

void UITextField::placeSubviews(const CGSize& size) const {
    for (const auto& v : subviews()) {
        if (v == rightView_) {
            const double w = v->layoutWidth();
            const double h = std::min(size.height, v->layoutHeight(w));
            v->setNominalFrame(CGRect(size.width - w, (size.height - h) / 2, w, h));
        } else {
            v->setNominalFrame(CGRect(0, 0, size.width, size.height));
        }
    }
}

}  // namespace platform
