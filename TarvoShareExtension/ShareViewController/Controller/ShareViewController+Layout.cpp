// The share screen: a vertically scrolling form of sections above a fixed action dock. This
// file styles the controls, connects their actions and places them in a fixed order; values
// come from applyDraftToUI() and everything derived from them from refreshDerivedUI().
//
// The screen can be built again on the same controller: every stack it fills is emptied first
// and every control it wires loses its earlier targets first, so a rebuild leaves one copy of
// each child and one action per control.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Screen/KeyboardAvoidance.h"
#include "platform/uikit/UIMenu.h"

namespace tarvo {

using namespace platform;

namespace {

UIFont sectionFont() { return UIFont::systemFont(12, UIFont::Weight::bold); }

void styleHelpLabel(UILabel& label, std::string text) {
    label.numberOfLines = 0;
    label.font = UIFont::systemFont(12);
    label.textColor = UIColor::secondaryLabel();
    label.text = std::move(text);
}

}  // namespace

void ShareViewController::applyKeyboardInsetToScrollView() {
    const double bottom = share::keyboardBottomContentInset(keyboardBottomInset);
    scrollView->contentInset.bottom = bottom;
    scrollView->verticalScrollIndicatorInsets.bottom = bottom;
}

void ShareViewController::configureServerButton() {
    updateServerButtonTitle();
    if (servers.size() < 2) {
        serverButton->menu = nullptr;
        serverButton->showsMenuAsPrimaryAction = false;
        return;
    }
    std::vector<UIMenuElement> actions;
    for (const auto& server : servers) {
        auto action = UIAction::make(server.displayLabel(), [weak = weakSelf(), server] {
            if (auto self = weak.lock()) self->switchDraftToServer(server);
        });
        action->state = server.id == draft.serverId ? UIAction::State::on : UIAction::State::off;
        actions.emplace_back(std::move(action));
    }
    serverButton->menu = UIMenu::make("Server", std::move(actions));
    serverButton->showsMenuAsPrimaryAction = true;
}

void ShareViewController::buildConfigureUI() {
    auto self = sharedSelf();
    const auto& root = view();

    for (UIStackView* s : {contentStack.get(), emitFieldsStack.get(), uploadFieldsStack.get(),
                           advancedUploadOptionsStack.get()}) {
        s->removeAllArrangedSubviews();
    }
    root->backgroundColor = UIColor::systemGroupedBackground();

    // The form above the dock, both inside the safe area: the dock 16 points in from the sides
    // and 8 above the bottom, the form down to 8 points above the dock.
    auto dock = makeActionDock();
    scrollView->alwaysBounceVertical = true;
    scrollView->keyboardDismissMode = UIScrollView::KeyboardDismissMode::interactive;
    root->addSubview(scrollView);
    root->addSubview(dock);
    scrollView->edgesInSuperview = {0, 0, 8, 0};
    dock->edgesInSuperview = {0, 16, 8, 16};

    contentStack->axis = UIStackView::Axis::vertical;
    contentStack->spacing = 10;
    scrollView->addSubview(contentStack);
    contentStack->edgesInSuperview = {14, 16, 14, 16};
    applyKeyboardInsetToScrollView();

    // ---- Sections, top to bottom.
    contentStack->addArrangedSubview(makeHeroHeader());
    contentStack->addArrangedSubview(makeLinkedDeploymentCard());

    serversSectionLabel->text = "Servers";
    serversSectionLabel->font = sectionFont();
    serversSectionLabel->textColor = UIColor::secondaryLabel();
    contentStack->addArrangedSubview(serversSectionLabel);

    serverModeControl->selectedSegmentIndex = serverMode == ServerMode::multi ? 1 : 0;
    serverModeControl->selectedSegmentTintColor = UIColor::systemBlue();
    serverModeControl->removeAllTargets();
    serverModeControl->addTarget(self, "serverModeChanged", &ShareViewController::serverModeChanged,
                                 UIControlEvents::valueChanged);
    contentStack->addArrangedSubview(serverModeControl);

    styleMenuButton(*serverButton);
    configureServerButton();
    contentStack->addArrangedSubview(serverButton);

    multiServerStack->axis = UIStackView::Axis::vertical;
    multiServerStack->spacing = 8;
    contentStack->addArrangedSubview(multiServerStack);
    rebuildMultiServerStack();

    multiDispatchControl->selectedSegmentIndex = multiDispatchMode == MultiDispatchMode::oneByOne ? 1 : 0;
    multiDispatchControl->selectedSegmentTintColor = UIColor::systemBlue();
    multiDispatchControl->removeAllTargets();
    multiDispatchControl->addTarget(self, "multiDispatchModeChanged", &ShareViewController::multiDispatchModeChanged,
                                    UIControlEvents::valueChanged);
    contentStack->addArrangedSubview(multiDispatchControl);

    auto automatic = UIButtonConfiguration::tinted();
    automatic.title = "Make this automatic";
    automatic.subtitle = "Use this server set and ordered script recipe next time";
    automatic.image = "wand.and.stars";
    automatic.imagePadding = 8;
    automatic.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    automatic.contentInsets = UIEdgeInsets{10, 12, 10, 12};
    automatic.baseBackgroundColor = UIColor::systemIndigo().withAlphaComponent(0.16);
    automatic.baseForegroundColor = UIColor::systemIndigo();
    makeAutomaticButton->configuration = automatic;
    makeAutomaticButton->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::fill;
    makeAutomaticButton->removeAllTargets();
    makeAutomaticButton->addTarget(self, "makeCurrentConfigurationAutomaticTapped",
                                   &ShareViewController::makeCurrentConfigurationAutomaticTapped,
                                   UIControlEvents::touchUpInside);
    contentStack->addArrangedSubview(makeAutomaticButton);

    targetSectionLabel->text = "Plan";
    targetSectionLabel->font = sectionFont();
    targetSectionLabel->textColor = UIColor::secondaryLabel();
    contentStack->addArrangedSubview(targetSectionLabel);

    actionControl->removeAllSegments();
    actionControl->insertSegment("Emit", 0);
    actionControl->insertSegment("Upload", 1);
    actionControl->selectedSegmentIndex = draft.action == ShareAction::upload ? 1 : 0;
    actionControl->selectedSegmentTintColor = UIColor::systemBlue();
    actionControl->removeAllTargets();
    actionControl->addTarget(self, "draftFieldChanged", &ShareViewController::draftFieldChanged,
                             UIControlEvents::valueChanged);
    contentStack->addArrangedSubview(actionControl);

    // ---- Emit fields.
    emitFieldsStack->axis = UIStackView::Axis::vertical;
    emitFieldsStack->spacing = 12;
    emitFieldsStack->addArrangedSubview(makeSectionLabel("Kind"));
    configureTextField(*kindField, "e.g. clipboard, links, photo, video, voice, media");
    emitFieldsStack->addArrangedSubview(kindField);
    emitFieldsStack->addArrangedSubview(makeSectionLabel("Reply-to (comma or space separated)"));
    configureTextField(*replyToField, "e.g. inbox, me, agent_x");
    attachSmartButton(*replyToField, replyToSmartButton);
    emitFieldsStack->addArrangedSubview(replyToField);
    emitFieldsStack->addArrangedSubview(makeSectionLabel("Only agents (optional)"));
    configureTextField(*onlyAgentsField, "e.g. summarize, clipper");
    attachSmartButton(*onlyAgentsField, onlyAgentsSmartButton);
    emitFieldsStack->addArrangedSubview(onlyAgentsField);
    contentStack->addArrangedSubview(emitFieldsStack);

    // ---- Upload fields.
    uploadFieldsStack->axis = UIStackView::Axis::vertical;
    uploadFieldsStack->spacing = 10;
    uploadFieldsStack->addArrangedSubview(makeArtifactInsightCard());
    uploadFieldsStack->addArrangedSubview(makeSmartSharePlanCard());
    uploadFieldsStack->addArrangedSubview(makeDestinationInlineRow());
    destinationSuggestionsStack->axis = UIStackView::Axis::vertical;
    destinationSuggestionsStack->spacing = 4;
    uploadFieldsStack->addArrangedSubview(destinationSuggestionsStack);
    rebuildDestinationSuggestions();
    uploadFieldsStack->addArrangedSubview(makeSectionLabel("Recipe"));
    styleMenuButton(*postUploadButton);
    updatePostUploadMenu();
    uploadFieldsStack->addArrangedSubview(postUploadButton);
    expectedLifetimeSectionLabel = makeSectionLabel("Execution lifetime");
    uploadFieldsStack->addArrangedSubview(expectedLifetimeSectionLabel);
    expectedLifetimeControl->selectedSegmentIndex =
        draft.expectedLifetime == ShareExpectedLifetime::persistent ? 1 : 0;
    expectedLifetimeControl->removeAllTargets();
    expectedLifetimeControl->addTarget(self, "expectedLifetimeChanged", &ShareViewController::expectedLifetimeChanged,
                                       UIControlEvents::valueChanged);
    uploadFieldsStack->addArrangedSubview(expectedLifetimeControl);

    auto bell = UIButtonConfiguration::tinted();
    bell.image = "bell";
    bell.imagePadding = 8;
    bell.contentInsets = UIEdgeInsets{9, 12, 9, 12};
    bell.baseBackgroundColor = UIColor::tertiarySystemGroupedBackground();
    bell.baseForegroundColor = UIColor::label();
    notificationDisclosureButton->configuration = bell;
    notificationDisclosureButton->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
    notificationDisclosureButton->removeAllTargets();
    notificationDisclosureButton->addTarget(self, "toggleNotificationOptions",
                                            &ShareViewController::toggleNotificationOptions,
                                            UIControlEvents::touchUpInside);
    uploadFieldsStack->addArrangedSubview(notificationDisclosureButton);

    for (UIStackView* options : {notificationOptionsStack.get(), advancedUploadOptionsStack.get()}) {
        options->axis = UIStackView::Axis::vertical;
        options->spacing = 8;
        options->layoutMargins = {2, 8, 4, 8};
        options->isLayoutMarginsRelativeArrangement = true;
    }
    buildNotificationOptions();
    uploadFieldsStack->addArrangedSubview(notificationOptionsStack);

    styleMenuButton(*advancedUploadOptionsButton);
    advancedUploadOptionsButton->removeAllTargets();
    advancedUploadOptionsButton->addTarget(self, "toggleAdvancedUploadOptions",
                                           &ShareViewController::toggleAdvancedUploadOptions,
                                           UIControlEvents::touchUpInside);
    uploadFieldsStack->addArrangedSubview(advancedUploadOptionsButton);

    // ---- Advanced upload options.
    styleMenuButton(*readinessButton);
    advancedUploadOptionsStack->addArrangedSubview(readinessButton);
    configureTextField(*readinessValueField, "Readiness value");
    // Added again at every build; the control keeps one copy of an identical pair.
    readinessValueField->addTarget(self, "readinessValueChanged", &ShareViewController::readinessValueChanged,
                                   UIControlEvents::editingChanged);
    advancedUploadOptionsStack->addArrangedSubview(readinessValueField);
    updateReadinessUI();
    styleHelpLabel(*workingDirectoryHelpLabel, "Run folder + command tokens are visible here only when needed.");
    advancedUploadOptionsStack->addArrangedSubview(workingDirectoryHelpLabel);
    styleMenuButton(*workingDirectoryButton);
    updateWorkingDirectoryMenu();
    advancedUploadOptionsStack->addArrangedSubview(workingDirectoryButton);
    configureTextField(*customWorkingDirectoryField, "e.g. {extract}/app or sites/current");
    advancedUploadOptionsStack->addArrangedSubview(customWorkingDirectoryField);
    styleHelpLabel(*deployCommandHelpLabel,
                   "Empty command = safe auto-resolve. Tokens: {file}, {dir}, {stem}, {extract}.");
    advancedUploadOptionsStack->addArrangedSubview(deployCommandHelpLabel);
    advancedUploadOptionsStack->addArrangedSubview(makeCommandTokenRow());

    deployCommandTextView->font = UIFont::monospacedSystemFont(13, UIFont::Weight::regular);
    deployCommandTextView->autocorrectionType = UITextAutocorrectionType::no;
    deployCommandTextView->autocapitalizationType = UITextAutocapitalizationType::none;
    deployCommandTextView->backgroundColor = UIColor::secondarySystemGroupedBackground();
    deployCommandTextView->cornerRadius = 12;
    deployCommandTextView->borderWidth = 1;
    deployCommandTextView->borderColor = UIColor::separator().withAlphaComponent(0.65);
    deployCommandTextView->textContainerInset = {8, 6, 8, 6};
    deployCommandTextView->delegate = std::static_pointer_cast<UITextViewDelegate>(self);
    deployCommandTextView->inputAccessoryView = makeKeyboardToolbar();
    deployCommandTextView->minimumHeight = 76;
    advancedUploadOptionsStack->addArrangedSubview(deployCommandTextView);

    returnResultLabel->numberOfLines = 0;
    returnResultLabel->font = UIFont::systemFont(13, UIFont::Weight::medium);
    returnResultLabel->text = "Return result";
    returnResultSwitch->setOn(true);
    returnResultSwitch->removeTarget(nullptr, {}, UIControlEvents::valueChanged);
    returnResultSwitch->addTarget(self, "returnResultChanged", &ShareViewController::returnResultChanged,
                                  UIControlEvents::valueChanged);
    returnResultRow->removeAllArrangedSubviews();
    returnResultRow->axis = UIStackView::Axis::vertical;
    returnResultRow->addArrangedSubview(makeToggleRow(returnResultLabel, returnResultSwitch));
    returnResultRow->hidden = true;
    advancedUploadOptionsStack->addArrangedSubview(returnResultRow);
    uploadFieldsStack->addArrangedSubview(advancedUploadOptionsStack);
    contentStack->addArrangedSubview(uploadFieldsStack);

    // ---- Open on next launch.
    openOnNextLaunchLabel->text = "Take me there next time I open Tarvo";
    openOnNextLaunchRow->removeAllArrangedSubviews();
    openOnNextLaunchRow->axis = UIStackView::Axis::vertical;
    openOnNextLaunchRow->addArrangedSubview(makeToggleRow(openOnNextLaunchLabel, openOnNextLaunchSwitch));
    contentStack->addArrangedSubview(openOnNextLaunchRow);

    wireDraftAutosaveTargets();
}

}  // namespace tarvo
