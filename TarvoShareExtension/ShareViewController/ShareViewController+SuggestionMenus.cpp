// The suggestion menus of the reply-to and only-agents fields and the buttons that open them.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

using namespace platform;

std::shared_ptr<UIMenu> ShareViewController::makeSmartMenu(SmartField field) { return nullptr; }

void ShareViewController::attachSmartButton(UITextField& field, const std::shared_ptr<UIButton>& button) {}

}  // namespace tarvo
