// The run's notification options (one switch per lifecycle event), its expected lifetime and
// readiness rule, and the return-result switch.
#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Send/RunNotificationOptions.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIMenu.h"
#include "platform/uikit/UIViewAnimator.h"

namespace tarvo {

using namespace platform;

namespace {

std::string readinessValueText(const ShareReadinessRule& rule) {
    switch (rule.kind) {
        case ShareReadinessRule::Kind::logContains: return rule.pattern;
        case ShareReadinessRule::Kind::httpResponds: return rule.url;
        default: return {};
    }
}

}  // namespace

std::optional<ServerProfile> ShareViewController::notificationServer() const {
    if (const ServerProfile* s = share::findServer(servers, draft.serverId)) return *s;
    return SharedServerConfig::loadActiveServer(*defaults);
}

std::string ShareViewController::sharedPushDeviceID() const {
    std::string id = text::trimmed(defaults->string("push.deviceId").value_or(""));
    if (id.empty() && env_.standardDefaults) id = text::trimmed(env_.standardDefaults->string("push.deviceId").value_or(""));
    return id;
}

ShareRunNotificationDelivery ShareViewController::notificationDelivery(const ServerProfile& server) const {
    return share::notificationDelivery(server, defaults->string("push.relayBaseURL").value_or(""),
                                       defaults->string("push.relayAuthToken").value_or(""), sharedPushDeviceID());
}

void ShareViewController::buildNotificationOptions() {
    for (const auto& row : std::vector<std::shared_ptr<UIView>>(notificationOptionsStack->arrangedSubviews())) {
        row->removeFromSuperview();
    }
    notificationSwitches.clear();
    const auto self = sharedSelf();
    for (ShareRunNotificationEvent event : share::kNotificationSwitchOrder) {
        auto toggle = UISwitch::make();
        toggle->accessibilityIdentifier = std::string(rawValue(event));
        toggle->addTarget(self, "notificationSwitchChanged:", &ShareViewController::notificationSwitchChanged,
                          UIControlEvents::valueChanged);
        auto label = UILabel::make(std::string(displayTitle(event)));
        label->font = UIFont::systemFont(13, UIFont::Weight::medium);
        label->numberOfLines = 1;
        auto row = UIStackView::horizontal(8, {label, std::make_shared<UIView>(), toggle});
        row->alignment = UIStackView::Alignment::center;
        notificationOptionsStack->addArrangedSubview(row);
        notificationSwitches[event] = toggle;
    }
    updateNotificationUI();
}

void ShareViewController::updateNotificationUI() {
    if (notificationDisclosureButton->configuration) {
        auto& config = *notificationDisclosureButton->configuration;
        std::optional<ShareRunNotificationDelivery> delivery;
        if (auto server = notificationServer()) delivery = notificationDelivery(*server);
        config.title = share::notificationDisclosureTitle(draft.notificationPolicy);
        config.subtitle = share::notificationDeliveryStatusText(draft.notificationPolicy, delivery);
        config.image = notificationOptionsExpanded ? "bell.fill" : "bell";
    }
    for (const auto& [event, toggle] : notificationSwitches) {
        toggle->setOn(draft.notificationPolicy.events.count(event) > 0);
        toggle->enabled = !isBusy;
    }
    const bool visible = draft.action == ShareAction::upload && draft.postUploadAction != PostUploadAction::none;
    notificationDisclosureButton->hidden = !visible;
    notificationOptionsStack->hidden = !(visible && notificationOptionsExpanded);
}

void ShareViewController::toggleNotificationOptions() {
    notificationOptionsExpanded = !notificationOptionsExpanded;
    updateNotificationUI();
    if (env_.window) env_.window->animator().animate(0.18, 0, 0, [view = view()] { view->layoutIfNeeded(); });
}

void ShareViewController::notificationSwitchChanged(UIControl& sender) {
    auto event = fromRawValue<ShareRunNotificationEvent>(sender.accessibilityIdentifier);
    auto* toggle = dynamic_cast<UISwitch*>(&sender);
    if (!event || !toggle) return;
    if (toggle->on) {
        draft.notificationPolicy.events.insert(*event);
    } else {
        draft.notificationPolicy.events.erase(*event);
    }
    draft.notificationPolicyCustomized = true;
    persistGlobalDraft(draft);
    updateNotificationUI();
}

void ShareViewController::returnResultChanged() { refreshDerivedUI(); }

void ShareViewController::expectedLifetimeChanged() {
    const ShareExpectedLifetime lifetime = expectedLifetimeControl->selectedSegmentIndex == 1
                                               ? ShareExpectedLifetime::persistent
                                               : ShareExpectedLifetime::finite;
    if (lifetime == draft.expectedLifetime) return;
    draft.expectedLifetime = lifetime;
    if (!draft.notificationPolicyCustomized) {
        draft.notificationPolicy = share::defaultNotificationEvents(lifetime, notificationServer());
    }
    draft.readinessRule = share::readinessAfterLifetimeChange(lifetime, draft.readinessRule);
    readinessValueField->text = readinessValueText(draft.readinessRule);
    persistGlobalDraft(draft);
    updateNotificationUI();
    updateReadinessUI();
    refreshDerivedUI();
}

void ShareViewController::updateReadinessUI() {
    const ShareReadinessRule& rule = draft.readinessRule;
    if (readinessButton->configuration) readinessButton->configuration->title = share::readinessButtonTitle(rule);
    readinessValueField->placeholder = share::readinessValuePlaceholder(rule.kind);
    readinessValueField->text = readinessValueText(rule);

    std::vector<UIMenuElement> entries;
    for (auto& entry : share::readinessMenuEntries(rule)) {
        const auto state = share::readinessEntryIsOn(entry.rule, rule) ? UIAction::State::on : UIAction::State::off;
        entries.push_back(UIAction::make(
            entry.title,
            [weak = weakSelf(), chosen = entry.rule] {
                if (auto self = weak.lock()) self->readinessRuleChosen(chosen);
            },
            std::nullopt, state));
    }
    readinessButton->menu = UIMenu::make(std::string(share::kReadinessMenuTitle), std::move(entries));
    readinessButton->showsMenuAsPrimaryAction = true;
}

void ShareViewController::readinessRuleChosen(const ShareReadinessRule& rule) {
    draft.readinessRule = rule;
    readinessValueField->text = readinessValueText(rule);
    persistGlobalDraft(draft);
    updateReadinessUI();
    refreshDerivedUI();
}

void ShareViewController::readinessValueChanged() {
    auto next = share::readinessRuleWithValue(draft.readinessRule, readinessValueField->text);
    if (!next || *next == draft.readinessRule) return;
    draft.readinessRule = *next;
    persistGlobalDraft(draft);
    updateReadinessUI();
}

}  // namespace tarvo
