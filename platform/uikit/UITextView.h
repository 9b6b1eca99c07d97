#pragma once
// A multi-line, editable text view. Editing follows the platform's order: should-begin,
// first responder, did-begin; each key asks should-change-text (range = the selection), then
// changes the text, moves the caret after it and tells did-change; the return key types a line
// break. insertText() is the view's own insert operation (what a token button uses): it
// replaces the selection without asking and then tells did-change. Ending asks should-end
// (unless forced), resigns and tells did-end.
//
// caretRect() gives the caret's nominal rectangle at a position, in the view's coordinates:
// lines are the text's own line breaks, columns count characters.
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/NSRange.h"
#include "platform/uikit/UIFont.h"
#include "platform/uikit/UITextField.h"
#include "platform/uikit/UIView.h"

namespace platform {

class UITextView;

class UITextViewDelegate {
public:
    virtual ~UITextViewDelegate() = default;
    virtual bool textViewShouldBeginEditing(UITextView&) { return true; }
    virtual void textViewDidBeginEditing(UITextView&) {}
    virtual bool textViewShouldEndEditing(UITextView&) { return true; }
    virtual void textViewDidEndEditing(UITextView&) {}
    virtual bool textViewShouldChangeText(UITextView&, NSRange, const std::string& replacement) { return true; }
    virtual void textViewDidChange(UITextView&) {}
};

class UITextView : public UIView {
public:
    static std::shared_ptr<UITextView> make();
    std::string_view kindName() const override { return "TextView"; }

    std::string text;
    UIFont font = UIFont::systemFont(17);
    std::optional<UIColor> textColor;
    UITextAutocorrectionType autocorrectionType = UITextAutocorrectionType::automatic;
    UITextAutocapitalizationType autocapitalizationType = UITextAutocapitalizationType::sentences;
    UIEdgeInsets textContainerInset{8, 0, 8, 0};
    bool editable = true;
    std::weak_ptr<UITextViewDelegate> delegate;
    std::shared_ptr<UIView> inputAccessoryView;
    // The caret or selection; kept within the text.
    NSRange selectedRange;

    bool canBecomeFirstResponder() const override { return editable; }

    // One key typed at the selection; false when the delegate refused.
    bool typeKey(const std::string& key);
    // Replaces the selection with text and puts the caret after it.
    void insertText(const std::string& text);
    // Replaces the whole text as a paste over a full selection does.
    bool replaceAllText(const std::string& replacement);

    CGRect caretRect(std::size_t position) const;

    double nominalHeight(double width) const override;

protected:
    bool shouldBeginEditing() override;
    void didBeginEditing() override;
    bool shouldEndEditing() override;
    void didEndEditing() override;
};

}  // namespace platform
