// Keeping the field being edited above the software keyboard: the scroll view's bottom inset
// follows the keyboard's overlap, the caret or the focused field is scrolled into view, and the
// controller tracks which field is being edited. Return and the accessory row's Done end
// editing; starting to edit one of the recipe's two path fields marks the recipe as touched.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Screen/KeyboardAvoidance.h"
#include "platform/uikit/UIWindow.h"

namespace tarvo {

using namespace platform;

CGSize ShareViewController::PaddingLabel::intrinsicContentSize() const {
    const CGSize base = UILabel::intrinsicContentSize();
    return {base.width + insets.left + insets.right, base.height + insets.top + insets.bottom};
}

std::shared_ptr<ShareViewController::PaddingLabel> ShareViewController::PaddingLabel::make(std::string text) {
    auto label = std::make_shared<PaddingLabel>();
    label->text = std::move(text);
    return label;
}

void ShareViewController::keyboardWillChangeFrame(const Notification& notification) {
    updateKeyboardInset(notification, false);
}

void ShareViewController::keyboardWillHide(const Notification& notification) { updateKeyboardInset(notification, true); }

void ShareViewController::updateKeyboardInset(const Notification& notification, bool hiding) {
    const share::KeyboardAnimation animation = share::keyboardAnimation(notification);
    const auto& root = view();
    std::optional<CGRect> endFrame;
    if (!hiding) {
        if (auto frame = notification.rect(UIKeyboard::frameEndKey)) endFrame = root->convertFromWindow(*frame);
    }
    const double bottomSafeArea = env_.window ? env_.window->safeAreaInsets().bottom : 0;
    keyboardBottomInset =
        share::keyboardOverlapAfter(hiding, endFrame, root->bounds().maxY(), bottomSafeArea, keyboardBottomInset);

    auto block = [this] {
        applyKeyboardInsetToScrollView();
        view()->layoutIfNeeded();
        if (isViewLoaded() && keyboardBottomInset > 0) {
            if (auto rect = activeEditingRectInScrollView()) {
                scrollView->layoutIfNeeded();
                // The keyboard's own animation carries the scroll.
                scrollView->scrollRectToVisible(*rect, false);
            }
        }
    };
    if (env_.window) {
        env_.window->animator().animate(
            animation.duration, 0,
            UIViewAnimationOptions::curve(animation.curve) | UIViewAnimationOptions::beginFromCurrentState, block);
    } else {
        block();
    }
}

std::optional<CGRect> ShareViewController::activeEditingRectInScrollView() const {
    auto editing = activeEditingView.lock();
    if (!editing) return std::nullopt;
    if (!editing->isDescendant(*scrollView) || !editing->isVisibleInHierarchy()) return std::nullopt;
    if (const auto* textView = dynamic_cast<const UITextView*>(editing.get())) {
        const NSRange selection = textView->selectedRange;
        const CGRect caret = textView->caretRect(selection.location + selection.length);
        return share::caretFocusRect(textView->convert(caret, scrollView.get()));
    }
    return share::fieldFocusRect(editing->convert(editing->bounds(), scrollView.get()));
}

void ShareViewController::textFieldDidBeginEditing(UITextField& field) {
    activeEditingView = field.shared_from_this();
    if (&field == destFolderField.get() || &field == customWorkingDirectoryField.get()) markRecipeTouched();
    scheduleFocusScroll();
}

void ShareViewController::textViewDidBeginEditing(UITextView& textView) {
    activeEditingView = textView.shared_from_this();
    scheduleFocusScroll();
}

void ShareViewController::scheduleFocusScroll() {
    // One turn of the main queue later, so the keyboard's frame and the layout are those of
    // then; before the keyboard is up, its own frame notification brings the field into view.
    env_.mainQueue.post([weak = weakSelf()] {
        auto self = weak.lock();
        if (!self || !self->isViewLoaded() || self->keyboardBottomInset <= 0) return;
        if (auto rect = self->activeEditingRectInScrollView()) {
            self->scrollView->layoutIfNeeded();
            self->scrollView->scrollRectToVisible(*rect, true);
        }
    });
}

void ShareViewController::textFieldDidEndEditing(UITextField& field) {
    if (activeEditingView.lock().get() == &field) activeEditingView.reset();
}

void ShareViewController::textViewDidEndEditing(UITextView& textView) {
    if (activeEditingView.lock().get() == &textView) activeEditingView.reset();
}

bool ShareViewController::textFieldShouldReturn(UITextField& field) {
    field.resignFirstResponder();
    return true;
}

void ShareViewController::dismissKeyboard() { view()->endEditing(true); }

}  // namespace tarvo
