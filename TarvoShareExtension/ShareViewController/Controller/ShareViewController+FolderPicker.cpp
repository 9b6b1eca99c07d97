// The remote folder picker that the destination row's "Change" button opens.
#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPickerViewController.h"
#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"
#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "platform/foundation/DateStyleFormatter.h"
#include "platform/uikit/UINavigationController.h"

namespace tarvo {

using namespace platform;

void ShareViewController::browseFolderTapped() {
    view()->endEditing(true);
    Draft current = snapshotDraftFromUI();
    draft = current;
    persistGlobalDraft(current);

    std::optional<ServerProfile> server;
    for (const auto& s : servers) {
        if (s.id == current.serverId) {
            server = s;
            break;
        }
    }
    if (!server && defaults) server = SharedServerConfig::loadActiveServer(*defaults);
    if (!server) {
        setBusy(false, std::string(share::kNoServerText));
        return;
    }
    std::optional<RemoteAPI> api = makeFileAPI(*server);
    if (!api) {
        setBusy(false, "Invalid server URL or token.");
        return;
    }

    std::weak_ptr<ShareViewController> weak = weakSelf();
    auto onPick = [weak](std::string path) {
        auto self = weak.lock();
        if (!self) return;
        self->markRecipeTouched();
        self->destFolderField->text = path;
        self->draftFieldChanged();
    };
    const DateStyleFormatter dates(DateStyleFormatter::Style::medium, DateStyleFormatter::Style::shortStyle);
    RemoteFolderPickerViewController::World world{env_.mainQueue, env_.clock,
                                                  [dates](double seconds) { return dates.string(seconds); }};
    // The picker makes the path canonical (trimmed of blanks and slashes, no empty or dot
    // segments), so what it lists is the folder it names.
    auto picker = RemoteFolderPickerViewController::make(std::move(*api), current.destFolder, server->displayLabel(),
                                                         defaults, std::move(onPick), std::move(world));
    auto navigation = UINavigationController::make(picker);
    navigation->modalPresentationStyle = UIViewController::ModalPresentationStyle::formSheet;
    present(navigation, true);
}

}  // namespace tarvo
