// The entry and exit of every send: Send freezes the screen into a draft and starts the one
// send task; the task picks the linked deployment, the multi-server send or a single server's
// emit or upload; the flows report through setBusy (progress and failures) and
// finishSuccessfulShare (success); Cancel ends the share.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Controller/ServerStackBatch.h"

#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"

namespace tarvo {

using namespace platform;

void ShareViewController::sendTapped() {
    // The field being edited commits its text and the keyboard closes before the snapshot.
    view()->endEditing(true);
    transferFinished = false;
    unreadableTicketNotice.clear();

    if (linkedDeployment) {
        setBusy(true, std::string(share::kAuthorizingLinkedDeploymentText));
        uploadProgressStack->hidden = true;
        uploadProgressView->setProgress(0, false);
        uploadProgressLabel->text.clear();
        replaceTask(sendTask, startTask(mainExecutor(), weakSelf(),
                                        [](std::shared_ptr<ShareViewController> self) -> Async<void> {
                                            co_await self->runLinkedDeployment();
                                        }));
        return;
    }

    Draft frozen = snapshotDraftFromUI();
    draft = frozen;
    if (!frozen.serverId.empty()) resolvedDraftsByServer[frozen.serverId] = frozen;
    persistGlobalDraft(frozen);
    setBusy(true, std::string(share::kPreparingText));

    // Decided by the draft's action alone, also in multi mode.
    const bool upload = frozen.action == ShareAction::upload;
    uploadProgressStack->hidden = !upload;
    uploadProgressView->setProgress(0, false);
    uploadProgressLabel->text = upload ? std::string(share::kPreparingUploadText) : std::string();

    replaceTask(sendTask, startTask(mainExecutor(), weakSelf(),
                                    [frozen](std::shared_ptr<ShareViewController> self) -> Async<void> {
                                        co_await self->runSend(frozen);
                                    }));
}

Async<void> ShareViewController::runSend(Draft frozen) {
    if (providers.empty()) {
        setBusy(false, std::string(share::kNoItemsText));
        co_return;
    }
    if (serverMode == ServerMode::multi) {
        co_await runMultiSend(std::move(frozen));
        co_return;
    }
    std::optional<ServerProfile> server =
        share::singleSendServer(servers, frozen.serverId, SharedServerConfig::loadActiveServer(*defaults));
    if (!server) {
        setBusy(false, std::string(share::kNoServerText));
        co_return;
    }
    if (frozen.action == ShareAction::emit) {
        co_await runEmit(std::move(frozen), std::move(*server));
    } else {
        co_await runUpload(std::move(frozen), std::move(*server));
    }
}

void ShareViewController::setBusy(bool busy, std::string message) {
    const bool busyChanged = isBusy != busy;
    isBusy = busy;
    // The controls follow after the current main-queue work, from the state as it is then.
    env_.mainQueue.post([weak = weakSelf(), message = std::move(message), busyChanged] {
        auto self = weak.lock();
        if (!self) return;
        share::BusyInputs in;
        in.busy = self->isBusy;
        in.transferFinished = self->transferFinished;
        in.serverCount = self->servers.size();
        in.serverMode = self->serverMode;
        in.linkedDeployment = self->linkedDeployment.has_value();
        in.providerCount = self->providers.size();
        const share::BusyControlStates s = share::busyControlStates(in);

        for (UIControl* control : std::initializer_list<UIControl*>{
                 self->actionControl.get(), self->multiDispatchControl.get(), self->kindField.get(),
                 self->replyToField.get(), self->onlyAgentsField.get(), self->destFolderField.get(),
                 self->postUploadButton.get(), self->workingDirectoryButton.get(),
                 self->customWorkingDirectoryField.get(), self->expectedLifetimeControl.get(),
                 self->readinessButton.get(), self->readinessValueField.get(),
                 self->notificationDisclosureButton.get(), self->returnResultSwitch.get(),
                 self->openOnNextLaunchSwitch.get()}) {
            control->enabled = s.formEnabled;
        }
        self->deployCommandTextView->editable = s.formEnabled;
        self->serverModeControl->enabled = s.serverModeEnabled;
        self->serverButton->enabled = s.serverButtonEnabled;
        self->browseFolderButton->enabled = s.browseEnabled;
        self->sendButton->enabled = s.sendEnabled;
        self->cancelButton->enabled = true;
        if (s.spinnerAnimating) {
            self->spinner->startAnimating();
        } else {
            self->spinner->stopAnimating();
        }
        {
            // The refresh may rebuild the stack too: one rebuild serves both.
            const ServerStackBatch batch(*self);
            self->refreshDerivedUI();
            // The linked target buttons were built enabled or not after the busy state of their
            // build: while a send runs, the approved set must not change under it.
            if (busyChanged) self->rebuildMultiServerStack();
        }
        self->statusLabel->text = message;
    });
}

void ShareViewController::cancelTapped() {
    // The fields keep their handles; the recommendation refresh is left to finish.
    if (sendTask) sendTask->cancel();
    if (artifactPreviewTask) artifactPreviewTask->cancel();
    if (extensionContext_) {
        extensionContext_->cancelRequest(
            NSError(std::string(share::kShareErrorDomain), 0, std::string(share::kCancelledText)));
    }
}

Async<void> ShareViewController::finishSuccessfulShare(std::string message) {
    // A send that was cancelled, or a share that has already ended, succeeds at nothing more:
    // no success text, no completion after the cancel.
    if (sendTask && sendTask->isCancelled()) co_return;
    if (extensionContext_ &&
        extensionContext_->outcome().state == NSExtensionContext::RequestState::cancelled) {
        co_return;
    }
    statusLabel->text = std::move(message);
    spinner->stopAnimating();
    if (!suppressShareCompletion) {
        transferFinished = true;
        if (extensionContext_) extensionContext_->completeRequest({});
    }
    co_return;
}

}  // namespace tarvo
