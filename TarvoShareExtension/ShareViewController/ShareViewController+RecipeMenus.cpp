// The menu buttons of the recipe (post-upload action, run folder, readiness), the command
// tokens and the disclosure of the advanced upload options and of the artifact's details.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::styleMenuButton(UIButton& button) {
    // A menu button shows its title through a configuration.
    if (!button.configuration) button.configuration = UIButtonConfiguration::gray();
}

void ShareViewController::updatePostUploadMenu() {}

void ShareViewController::updateWorkingDirectoryMenu() {}

std::shared_ptr<UIView> ShareViewController::makeCommandTokenRow() { return UIStackView::horizontal(6); }

void ShareViewController::toggleAdvancedUploadOptions() {}

void ShareViewController::toggleArtifactDetails() {}

}  // namespace tarvo
