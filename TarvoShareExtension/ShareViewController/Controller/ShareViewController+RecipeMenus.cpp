// The menu buttons of the recipe (post-upload action, run folder, readiness), the command
// tokens and the disclosure of the advanced upload options and of the artifact's details.
//
// Menus are rebuilt whole after every change so their check marks follow the draft; a choice
// acts on a fresh snapshot of the screen, so unsaved edits of other fields survive it.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"

#include "TarvoShareExtension/ShareViewController/Presentation/RecipeMenuRules.h"

namespace tarvo {

using namespace platform;

void ShareViewController::styleMenuButton(UIButton& button) {
    auto configuration = UIButtonConfiguration::tinted();
    if (button.configuration) configuration.title = button.configuration->title;
    configuration.contentInsets = UIEdgeInsets{11, 12, 11, 12};
    configuration.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    configuration.baseForegroundColor = UIColor::label();
    configuration.baseBackgroundColor = UIColor::tertiarySystemGroupedBackground();
    configuration.image = "chevron.down";
    configuration.imagePlacement = UIButtonConfiguration::ImagePlacement::trailing;
    configuration.imagePadding = 8;
    button.configuration = std::move(configuration);
    button.titleNumberOfLines = 2;
    button.cornerRadius = 14;
    button.borderWidth = 1;
    button.borderColor = UIColor::separator().withAlphaComponent(0.55);
    button.clipsToBounds = true;
    button.contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
}

void ShareViewController::updatePostUploadMenu() {
    if (postUploadButton->configuration) {
        auto configuration = *postUploadButton->configuration;
        configuration.title = share::recipeTitle(draft.postUploadAction);
        postUploadButton->configuration = std::move(configuration);
    }
    std::vector<UIMenuElement> actions;
    for (const PostUploadAction recipe : EnumCases<PostUploadAction>::allCases) {
        auto action = UIAction::make(share::recipeTitle(recipe), [weak = weakSelf(), recipe] {
            auto self = weak.lock();
            if (!self) return;
            const PostUploadAction previous = self->draft.postUploadAction;
            Draft fresh = self->snapshotDraftFromUI();
            fresh.deployWorkingDirectory =
                share::runFolderAfterRecipeChoice(previous, recipe, fresh.deployWorkingDirectory);
            self->markRecipeTouched();
            fresh.postUploadAction = recipe;
            self->draft = fresh;
            if (!fresh.serverId.empty()) self->resolvedDraftsByServer[fresh.serverId] = fresh;
            self->customWorkingDirectoryField->text = fresh.deployCustomWorkingDirectory;
            self->deployCommandTextView->text = fresh.deployCommand;
            self->persistGlobalDraft(fresh);
            self->updatePostUploadMenu();
            self->updateWorkingDirectoryMenu();
            self->refreshDerivedUI();
        });
        action->state = recipe == draft.postUploadAction ? UIAction::State::on : UIAction::State::off;
        actions.emplace_back(std::move(action));
    }
    postUploadButton->menu = UIMenu::make("After upload recipe", std::move(actions));
    postUploadButton->showsMenuAsPrimaryAction = true;
}

void ShareViewController::updateWorkingDirectoryMenu() {
    const PostUploadWorkingDirectory effective =
        share::effectiveRunFolder(draft.postUploadAction, draft.deployWorkingDirectory);
    if (workingDirectoryButton->configuration) {
        auto configuration = *workingDirectoryButton->configuration;
        configuration.title = "Run in: " + share::runFolderTitle(effective);
        workingDirectoryButton->configuration = std::move(configuration);
    }
    std::vector<UIMenuElement> actions;
    for (const PostUploadWorkingDirectory folder : share::offeredRunFolders(draft.postUploadAction)) {
        auto action = UIAction::make(share::runFolderTitle(folder), [weak = weakSelf(), folder] {
            auto self = weak.lock();
            if (!self) return;
            Draft fresh = self->snapshotDraftFromUI();
            fresh.deployWorkingDirectory = share::effectiveRunFolder(fresh.postUploadAction, folder);
            self->markRecipeTouched();
            self->draft = fresh;
            if (!fresh.serverId.empty()) self->resolvedDraftsByServer[fresh.serverId] = fresh;
            self->persistGlobalDraft(fresh);
            self->updateWorkingDirectoryMenu();
            self->refreshDerivedUI();
        });
        action->state = folder == effective ? UIAction::State::on : UIAction::State::off;
        actions.emplace_back(std::move(action));
    }
    workingDirectoryButton->menu = UIMenu::make("Run command in", std::move(actions));
    workingDirectoryButton->showsMenuAsPrimaryAction = true;
}

std::shared_ptr<UIView> ShareViewController::makeCommandTokenRow() {
    auto row = UIStackView::horizontal(6);
    row->distribution = UIStackView::Distribution::fillEqually;
    for (const std::string_view token : share::kCommandTokens) {
        auto configuration = UIButtonConfiguration::tinted();
        configuration.title = std::string(token);
        configuration.contentInsets = UIEdgeInsets::all(5);
        configuration.baseBackgroundColor = UIColor::tertiarySystemGroupedBackground();
        configuration.baseForegroundColor = UIColor::label();
        auto button = UIButton::make(configuration, UIAction::make("", [weak = weakSelf(), text = std::string(token)] {
            auto self = weak.lock();
            if (!self) return;
            // The text view reports the insertion as an edit (textViewDidChange), which marks
            // the recipe touched, stores the draft and refreshes the screen.
            self->deployCommandTextView->insertText(text);
        }));
        button->role = share::roles::commandToken(token);
        row->addArrangedSubview(button);
    }
    return row;
}

void ShareViewController::toggleAdvancedUploadOptions() {
    advancedUploadOptionsExpanded = !advancedUploadOptionsExpanded;
    refreshDerivedUI();
}

void ShareViewController::toggleArtifactDetails() {
    artifactDetailsExpanded = !artifactDetailsExpanded;
    updateArtifactInsightCard(true);
}

}  // namespace tarvo
