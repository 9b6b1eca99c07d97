// The run's notification options (one switch per lifecycle event), its expected lifetime and
// readiness rule, and the return-result switch.
#include "TarvoShareExtension/ShareViewController/ShareViewController.h"

namespace tarvo {

void ShareViewController::buildNotificationOptions() {}

void ShareViewController::updateNotificationUI() {}

void ShareViewController::updateReadinessUI() {}

void ShareViewController::expectedLifetimeChanged() {}

void ShareViewController::toggleNotificationOptions() {}

void ShareViewController::notificationSwitchChanged(platform::UIControl& sender) {}

void ShareViewController::returnResultChanged() {}

void ShareViewController::readinessValueChanged() {}

}  // namespace tarvo
