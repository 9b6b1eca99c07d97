// Every single-line field of the share screen looks and behaves the same, each field and the
// command view get their own accessory row with a Done button, and the destination row puts
// the folder field beside the button that opens the remote folder picker.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::configureTextField(UITextField& field, std::string placeholder) {
    field.placeholder = std::move(placeholder);
    field.borderStyle = UITextField::BorderStyle::roundedRect;
    field.backgroundColor = UIColor::secondarySystemGroupedBackground();
    field.autocorrectionType = UITextAutocorrectionType::no;
    field.autocapitalizationType = UITextAutocapitalizationType::none;
    field.clearButtonMode = UITextField::ViewMode::whileEditing;
    field.returnKeyType = UIReturnKeyType::done;
    field.delegate = std::static_pointer_cast<UITextFieldDelegate>(sharedSelf());
    field.inputAccessoryView = makeKeyboardToolbar();
}

std::shared_ptr<UIToolbar> ShareViewController::makeKeyboardToolbar() {
    auto done = UIBarButtonItem::titled("Done", UIBarButtonItem::Style::done);
    done->addTarget(sharedSelf(), "dismissKeyboard", &ShareViewController::dismissKeyboard,
                    UIControlEvents::touchUpInside);
    auto bar = UIToolbar::make({UIBarButtonItem::flexibleSpace(), done});
    bar->sizeToFit();
    return bar;
}

std::shared_ptr<UIView> ShareViewController::makeDestinationInlineRow() {
    auto label = makeSectionLabel("Destination");

    configureTextField(*destFolderField, "server root, /aa, uploads\u2026");
    // The field takes the row's free width and is the first to shrink.
    destFolderField->horizontalCompressionResistance = 250;
    destFolderField->horizontalHuggingPriority = 250;

    styleMenuButton(*browseFolderButton);
    if (browseFolderButton->configuration) {
        auto configuration = *browseFolderButton->configuration;
        configuration.title = "Change";
        configuration.image = "folder";
        configuration.imagePadding = 5;
        configuration.contentInsets = UIEdgeInsets{7, 10, 7, 10};
        browseFolderButton->configuration = std::move(configuration);
    }
    browseFolderButton->removeAllTargets();
    browseFolderButton->addTarget(sharedSelf(), "browseFolderTapped", &ShareViewController::browseFolderTapped,
                                  UIControlEvents::touchUpInside);
    // The button keeps its full title and icon.
    browseFolderButton->horizontalHuggingPriority = 1000;

    auto row = UIStackView::horizontal(8, {destFolderField, browseFolderButton});
    row->alignment = UIStackView::Alignment::fill;
    return UIStackView::vertical(5, {label, row});
}

}  // namespace tarvo
