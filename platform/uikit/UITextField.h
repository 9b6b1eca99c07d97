#pragma once
// A single-line text field. Editing follows the platform's order of events:
//   begin:   delegate should-begin (may refuse), it becomes first responder, delegate
//            did-begin, then the editing-did-begin event; the caret goes to the end;
//   a key:   delegate should-change-characters (range = the selection, replacement = the key;
//            may refuse), the text changes, the caret moves after it, then editing-changed;
//   return:  delegate should-return; when it agrees, the editing-did-end-on-exit event (the
//            field stays first responder unless someone resigns it, as on the platform);
//   end:     delegate should-end (skipped when forced), it resigns, delegate did-end, then the
//            editing-did-end event.
// Setting `text` from code sends nothing. The right view is a subview drawn inside the
// field's trailing edge; the input accessory view is the row shown above the keyboard while
// the field is first responder.
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/NSRange.h"
#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"

namespace platform {

class UITextField;

class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(UITextField&) { return true; }
    virtual void textFieldDidBeginEditing(UITextField&) {}
    virtual bool textFieldShouldEndEditing(UITextField&) { return true; }
    virtual void textFieldDidEndEditing(UITextField&) {}
    virtual bool textFieldShouldChangeCharacters(UITextField&, NSRange, const std::string& replacement) { return true; }
    virtual bool textFieldShouldReturn(UITextField&) { return true; }
};

enum class UITextAutocorrectionType { automatic, no, yes };
enum class UITextAutocapitalizationType { none, words, sentences, allCharacters };
enum class UIReturnKeyType { automatic, go, next, search, send, done };

class UITextField : public UIControl {
public:
    enum class BorderStyle { none, line, bezel, roundedRect };
    enum class ViewMode { never, whileEditing, unlessEditing, always };

    static std::shared_ptr<UITextField> make(std::string placeholder = {});
    std::string_view kindName() const override { return "TextField"; }

    std::string text;
    std::string placeholder;
    UIFont font = UIFont::systemFont(17);
    std::optional<UIColor> textColor;
    BorderStyle borderStyle = BorderStyle::none;
    UITextAutocorrectionType autocorrectionType = UITextAutocorrectionType::automatic;
    UITextAutocapitalizationType autocapitalizationType = UITextAutocapitalizationType::sentences;
    ViewMode clearButtonMode = ViewMode::never;
    UIReturnKeyType returnKeyType = UIReturnKeyType::automatic;
    std::weak_ptr<UITextFieldDelegate> delegate;
    std::shared_ptr<UIView> inputAccessoryView;
    ViewMode rightViewMode = ViewMode::never;
    // The caret or selection; kept within the text.
    NSRange selectedRange;

    void setRightView(std::shared_ptr<UIView> view);
    const std::shared_ptr<UIView>& rightView() const { return rightView_; }
    // Whether the right view shows now, by rightViewMode and the editing state.
    bool showsRightView() const;

    bool isEditing() const { return isFirstResponder(); }
    bool canBecomeFirstResponder() const override { return enabled; }

    // One key typed at the selection, as the keyboard does it; false when the delegate refused.
    bool typeKey(const std::string& key);
    // Replaces the whole text as a paste over a full selection does: one change for the
    // delegate, one editing-changed event. False when the delegate refused.
    bool replaceAllText(const std::string& replacement);
    // The keyboard's return key.
    void pressReturn();

    // A tap starts editing.
    void tapped() override { becomeFirstResponder(); }

    double nominalHeight(double width) const override { return 34; }
    double nominalWidth() const override;
    void placeSubviews(const CGSize& size) const override;

protected:
    bool shouldBeginEditing() override;
    void didBeginEditing() override;
    bool shouldEndEditing() override;
    void didEndEditing() override;
    void didRemoveSubview(UIView& view) override;

private:
    bool change(NSRange range, const std::string& replacement);
    std::shared_ptr<UIView> rightView_;
};

}  // namespace platform
